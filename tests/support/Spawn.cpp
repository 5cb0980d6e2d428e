#include "tests/support/Spawn.h"

#include <fcntl.h>
#include <spawn.h>

extern char** environ;

namespace testsupport {

pid_t SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   const std::string& dir, const std::string& outFile) {
    if (argv.empty()) return -1;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string var = *e;
        if (var.rfind("DAVURERUVO_", 0) == 0 || var.rfind("DISPLAY=", 0) == 0 ||
            var.rfind("WAYLAND_DISPLAY=", 0) == 0) {
            continue;
        }
        env.push_back(var);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<std::string> args = argv;
    std::vector<char*> argp, envp;
    for (auto& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

}  // namespace testsupport
