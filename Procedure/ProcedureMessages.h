#pragma once
// The window messages through which the procedures and the procedure manager tell the main
// dialog what they do. Each is sent synchronously to the dialog window (0x491D alone is
// posted). Text parameters are narrow text pointers valid only during the send.

#include <cstdint>

// Patch applier, during a game patch.
inline constexpr uint32_t UM_PATCH_UPDATE_START = 0x4507;
inline constexpr uint32_t UM_PATCH_ERROR = 0x4508;
inline constexpr uint32_t UM_PATCH_FILE_COUNT = 0x4509;
inline constexpr uint32_t UM_PATCH_UNPACKING = 0x450A;
inline constexpr uint32_t UM_PATCH_FILE_PROGRESS = 0x450B;
inline constexpr uint32_t UM_PATCH_FILE_NAME = 0x450C;
inline constexpr uint32_t UM_PATCH_ANALYSING = 0x450D;
inline constexpr uint32_t UM_PATCH_REPLACING = 0x450E;
inline constexpr uint32_t UM_PATCH_CLEANUP = 0x450F;
inline constexpr uint32_t UM_PATCH_APPLIED = 0x4510;

// Patch applier, while unpacking install packages.
inline constexpr uint32_t UM_UNZIP_START = 0x4511;
inline constexpr uint32_t UM_UNZIP_COUNT = 0x4512;
inline constexpr uint32_t UM_UNZIP_STATUS = 0x4513;
inline constexpr uint32_t UM_UNZIP_FILE = 0x4514;
inline constexpr uint32_t UM_UNZIP_PROGRESS = 0x4515;
inline constexpr uint32_t UM_INSTALL_FAIL_FILE_MISSING = 0x4516;
inline constexpr uint32_t UM_INSTALL_FAIL_UNZIP_INNER = 0x4517;
inline constexpr uint32_t UM_INSTALL_SUCCESS = 0x4518;

// Repair: percentage while deleting files that left the list.
inline constexpr uint32_t UM_REPAIR_CLEANUP_PERCENT = 0x4904;

// Procedure manager.
inline constexpr uint32_t UM_REPAIR_STARTED = 0x491C;
inline constexpr uint32_t UM_PATCH_TRACE = 0x491D;
inline constexpr uint32_t UM_REPAIR_STOPPED = 0x4922;

// Transfer progress relayed by the manager's hidden window.
inline constexpr uint32_t UM_DOWNLOAD_SPEED = 0x4925;
inline constexpr uint32_t UM_DOWNLOAD_PROGRESS = 0x4926;

// Versions and file-list progress.
inline constexpr uint32_t UM_LATEST_VERSION = 0x4927;
inline constexpr uint32_t UM_CURRENT_VERSION = 0x4928;
inline constexpr uint32_t UM_FILE_LIST_COUNT = 0x4929;
inline constexpr uint32_t UM_FILE_LIST_STEP = 0x492A;
inline constexpr uint32_t UM_FILE_LIST_NAME = 0x492B;

// Steps of UM_FILE_LIST_STEP; each file counts as four.
inline constexpr uint64_t FILE_STEP_CHECKING = 1;
inline constexpr uint64_t FILE_STEP_DOWNLOADING = 2;
inline constexpr uint64_t FILE_STEP_FETCHED = 3;  // in order, or fetched and verified
inline constexpr uint64_t FILE_STEP_REPLACED = 4;

// Launcher self-update.
inline constexpr uint32_t UM_SELF_UPDATE_START = 0x492C;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_DOWN_VERSION = 0x492D;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_READ_VERSION = 0x492E;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_DOWN_GAMEINFO = 0x492F;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_CMP_GAMEINFO = 0x4930;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_CREATE_DIR = 0x4931;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_DOWN_FILE = 0x4932;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_REPLACE_FILE = 0x4933;
inline constexpr uint32_t UM_SELF_UPDATE_FAIL_REPLACE_GAMEINFO = 0x4934;
inline constexpr uint32_t UM_SELF_UPDATE_NO_NEED = 0x4935;
inline constexpr uint32_t UM_SELF_UPDATE_SUCCESS = 0x4936;

// Game patch.
inline constexpr uint32_t UM_PATCH_CHECK_START = 0x4937;
inline constexpr uint32_t UM_PATCH_IN_PROGRESS = 0x4938;
inline constexpr uint32_t UM_PATCH_DOWNLOAD_START = 0x4939;
inline constexpr uint32_t UM_PATCH_DOWNLOAD_TOTAL = 0x493A;
inline constexpr uint32_t UM_PATCH_DOWNLOAD_DONE = 0x493B;
inline constexpr uint32_t UM_PATCH_PACKAGE_COUNT = 0x493C;
inline constexpr uint32_t UM_PATCH_PACKAGE_INDEX = 0x493D;
inline constexpr uint32_t UM_PATCH_FAIL_CHECK_GAMEINFO = 0x493E;
inline constexpr uint32_t UM_PATCH_FAIL_CREATE_DIR = 0x493F;
inline constexpr uint32_t UM_PATCH_FAIL_PATCH_FILE = 0x4940;
inline constexpr uint32_t UM_PATCH_FAIL_ANALYSE_FILE = 0x4941;
inline constexpr uint32_t UM_PATCH_FAIL_CLIENT_VERSION = 0x4942;
inline constexpr uint32_t UM_PATCH_FAIL_GAME_RUNNING = 0x4943;
inline constexpr uint32_t UM_PATCH_FAIL_DOWN_PATCH_FILE = 0x4944;
inline constexpr uint32_t UM_PATCH_FAIL_FILE_UPDATE = 0x4945;
inline constexpr uint32_t UM_PATCH_NO_NEED = 0x4946;
inline constexpr uint32_t UM_PATCH_DONE = 0x4947;

// Repair, also used to install the client file by file.
inline constexpr uint32_t UM_REPAIR_START = 0x4948;
inline constexpr uint32_t UM_REPAIR_FAIL_DOWN_VERSION = 0x4949;
inline constexpr uint32_t UM_REPAIR_FAIL_READ_VERSION = 0x494A;
inline constexpr uint32_t UM_REPAIR_FAIL_DOWN_GAMEINFO = 0x494B;
inline constexpr uint32_t UM_REPAIR_FAIL_CMP_GAMEINFO = 0x494C;
inline constexpr uint32_t UM_REPAIR_FAIL_CREATE_DIR = 0x494D;
inline constexpr uint32_t UM_REPAIR_FAIL_DOWN_FILE = 0x494E;
inline constexpr uint32_t UM_REPAIR_FAIL_REPLACE_FILE = 0x494F;
inline constexpr uint32_t UM_REPAIR_FAIL_REPLACE_GAMEINFO = 0x4950;
inline constexpr uint32_t UM_REPAIR_NO_NEED = 0x4951;
inline constexpr uint32_t UM_REPAIR_SUCCESS = 0x4952;

// Game install from packages.
inline constexpr uint32_t UM_INSTALL_START = 0x4953;
inline constexpr uint32_t UM_INSTALL_DOWNLOAD_TOTAL = 0x4954;
inline constexpr uint32_t UM_INSTALL_PACKAGE_COUNT = 0x4955;
inline constexpr uint32_t UM_INSTALL_DOWNLOAD_DONE = 0x4956;
inline constexpr uint32_t UM_INSTALL_PACKAGE_INDEX = 0x4957;
inline constexpr uint32_t UM_INSTALL_FAIL_DOWN_PACKAGE = 0x4958;
inline constexpr uint32_t UM_INSTALL_FAIL_USER_CANCEL = 0x4959;
inline constexpr uint32_t UM_INSTALL_DONE = 0x495A;
inline constexpr uint32_t UM_INSTALL_FAIL_DOWN_VERSION = 0x495B;
inline constexpr uint32_t UM_INSTALL_FAIL_READ_VERSION = 0x495C;
inline constexpr uint32_t UM_INSTALL_FAIL_CREATE_DIR = 0x495D;
inline constexpr uint32_t UM_INSTALL_FAIL_DOWN_INI = 0x495E;
inline constexpr uint32_t UM_INSTALL_FAIL_GET_FILESIZE = 0x495F;
inline constexpr uint32_t UM_INSTALL_FAIL_ANALYSE_INFO = 0x4960;
inline constexpr uint32_t UM_INSTALL_FAIL_UNZIP_PACKAGE = 0x4961;
inline constexpr uint32_t UM_INSTALL_TIMER_START = 0x4962;
