/* Hooks that make xdelta3's command-line entry point safe to call many times inside one
 * process. xdelta3.c is compiled with its getenv, malloc, free and liblzma stream calls
 * renamed to the functions below (see CMakeLists.txt).
 *
 * - Environment: xdelta3 reads extra options from the variable XDELTA. Inside the launcher
 *   only the caller's argument vector may decide what a run does, so getenv finds nothing.
 * - Memory: on most failures the entry point returns without freeing its stream, its
 *   buffers or its liblzma coders. Every block it allocates is kept on a list, and every
 *   liblzma coder it starts is remembered, so that after a run dav_xd3_release_all() ends
 *   the coders still running and frees the blocks still held. A successful run releases
 *   everything itself; nothing survives from one run to the next by design.
 *
 * Runs are serialised by the caller; these functions are not thread-safe on their own. */

#include <lzma.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

char *dav_xdelta3_getenv(const char *name);
void *dav_xd3_malloc(size_t size);
void dav_xd3_free(void *address);
lzma_ret dav_xd3_lzma_stream_encoder(lzma_stream *strm, const lzma_filter *filters, lzma_check check);
lzma_ret dav_xd3_lzma_stream_decoder(lzma_stream *strm, uint64_t memlimit, uint32_t flags);
void dav_xd3_lzma_end(lzma_stream *strm);
size_t dav_xd3_release_all(void);

char *dav_xdelta3_getenv(const char *name) {
  (void)name;
  return NULL;
}

/* Header in front of every block; its size keeps the payload aligned for any type. */
typedef union block_header {
  struct {
    union block_header *prev;
    union block_header *next;
    size_t size;
  } link;
  long double alignFloat;
  uint64_t alignInteger;
} block_header;

static block_header g_blocks = {{&g_blocks, &g_blocks, 0}};

/* liblzma coders started and not yet ended. xdelta3 runs at most six at once (three
 * sections, encoder or decoder); the table has room to spare. */
enum { MAX_CODERS = 64 };
static lzma_stream *g_coders[MAX_CODERS];
static size_t g_coderCount;

static void forget_coder(size_t i) {
  g_coders[i] = g_coders[--g_coderCount];
}

static void remember_coder(lzma_stream *strm) {
  size_t i;
  for (i = 0; i < g_coderCount; ++i) {
    if (g_coders[i] == strm) return;
  }
  if (g_coderCount < MAX_CODERS) g_coders[g_coderCount++] = strm;
}

void *dav_xd3_malloc(size_t size) {
  block_header *block;
  if (size > SIZE_MAX - sizeof(block_header)) return NULL;
  block = (block_header *)malloc(sizeof(block_header) + size);
  if (block == NULL) return NULL;
  block->link.size = size;
  block->link.prev = &g_blocks;
  block->link.next = g_blocks.link.next;
  g_blocks.link.next->link.prev = block;
  g_blocks.link.next = block;
  return block + 1;
}

void dav_xd3_free(void *address) {
  block_header *block;
  size_t i;
  if (address == NULL) return;
  block = (block_header *)address - 1;
  /* A coder living inside the block is ended before its memory goes. */
  for (i = g_coderCount; i-- > 0;) {
    char *at = (char *)g_coders[i];
    if (at >= (char *)address && at < (char *)address + block->link.size) {
      lzma_end(g_coders[i]);
      forget_coder(i);
    }
  }
  block->link.prev->link.next = block->link.next;
  block->link.next->link.prev = block->link.prev;
  free(block);
}

lzma_ret dav_xd3_lzma_stream_encoder(lzma_stream *strm, const lzma_filter *filters, lzma_check check) {
  lzma_ret ret = lzma_stream_encoder(strm, filters, check);
  if (ret == LZMA_OK) remember_coder(strm);
  return ret;
}

lzma_ret dav_xd3_lzma_stream_decoder(lzma_stream *strm, uint64_t memlimit, uint32_t flags) {
  lzma_ret ret = lzma_stream_decoder(strm, memlimit, flags);
  if (ret == LZMA_OK) remember_coder(strm);
  return ret;
}

void dav_xd3_lzma_end(lzma_stream *strm) {
  size_t i;
  for (i = g_coderCount; i-- > 0;) {
    if (g_coders[i] == strm) forget_coder(i);
  }
  lzma_end(strm);
}

size_t dav_xd3_release_all(void) {
  size_t released = 0;
  while (g_coderCount > 0) {
    lzma_end(g_coders[g_coderCount - 1]);
    --g_coderCount;
  }
  while (g_blocks.link.next != &g_blocks) {
    block_header *block = g_blocks.link.next;
    g_blocks.link.next = block->link.next;
    free(block);
    ++released;
  }
  g_blocks.link.prev = &g_blocks;
  return released;
}
