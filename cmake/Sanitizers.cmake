# DAV_SANITIZE=address,undefined or DAV_SANITIZE=thread applies to everything built here.
if(DAV_SANITIZE)
  add_compile_options(-fsanitize=${DAV_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${DAV_SANITIZE})
  if(DAV_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
