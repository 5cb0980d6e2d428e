// The window's start-up and idle cost, measured on an Xvfb server of its own:
//  - time from starting the launcher process to its first frame on the screen (the window
//    mapped and showing its background), over several runs;
//  - CPU time the idle launcher uses over 10 seconds (all its threads);
//  - the time the renderer takes to compose one frame of the dialog.
// Targets: first frame under 300 ms, idle CPU under 1 % of one core.
//
// Usage: bench_ui [runs] [idle seconds]   (the launcher is the DAVureruvo.exe beside it)

#include "res/Resources.h"
#include "tests/support/Spawn.h"
#include "tests/support/Xvfb.h"
#include "ui/DialogModel.h"
#include "ui/SkinnedView.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>


namespace {

using Clock = std::chrono::steady_clock;

pid_t StartLauncher(const std::string& exe, const std::string& dir, const std::string& display) {
    return testsupport::SpawnProgram({exe, "-runbin"}, {"DISPLAY=" + display, "DAVURERUVO_UI=window"}, dir,
                                     "/dev/null");
}

unsigned long ScreenPixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return p;
}

// CPU time of every thread of pid, in nanoseconds (from the scheduler's statistics).
uint64_t CpuNs(pid_t pid) {
    uint64_t total = 0;
    std::error_code ec;
    for (auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        uint64_t ns = 0;
        if (in >> ns) total += ns;
    }
    return total;
}

void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    std::string exe = (std::filesystem::canonical("/proc/self/exe").parent_path() / "DAVureruvo.exe").string();

    // The renderer alone.
    {
        DialogModel model;
        model.backgroundBitmap = IDB_MAIN_BACKGROUND;
        model.windowRect = {0, 0, 1280, 720};
        res::Image frame;
        RenderDialog(model, frame);  // pictures decoded and fonts opened once
        constexpr int kFrames = 50;
        auto start = Clock::now();
        for (int i = 0; i < kFrames; ++i) RenderDialog(model, frame);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / kFrames;
        std::printf("compose one 1280x720 frame: %.2f ms\n", ms);
    }

    std::string display;
    pid_t xvfb = testsupport::StartXvfb(display);
    if (xvfb < 0) {
        std::fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    Display* x = XOpenDisplay(display.c_str());
    if (!x) {
        std::fprintf(stderr, "cannot open %s\n", display.c_str());
        return 1;
    }
    res::Image background;
    res::LoadPicture(IDB_MAIN_BACKGROUND, background);
    res::Rgba probe = background.Pixel(640, 300);
    unsigned long want = (static_cast<unsigned long>(probe.r) << 16) | (probe.g << 8) | probe.b;
    std::string dir = std::filesystem::temp_directory_path() / ("bench_ui_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    std::vector<double> firstFrame;
    pid_t idle = -1;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        pid_t pid = StartLauncher(exe, dir, display);
        if (pid < 0) return 1;
        auto deadline = start + std::chrono::seconds(10);
        while (ScreenPixel(x, 640, 300) != want && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::microseconds(500));
        firstFrame.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (i + 1 == runs) {
            idle = pid;
        } else {
            Stop(pid);
            // The screen goes back to black before the next run.
            while (ScreenPixel(x, 640, 300) == want) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::sort(firstFrame.begin(), firstFrame.end());
    std::printf("process start to first frame (%d runs): min %.1f ms, median %.1f ms, max %.1f ms (target < 300 ms)\n",
                runs, firstFrame.front(), firstFrame[firstFrame.size() / 2], firstFrame.back());

    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // start-up settles
    uint64_t before = CpuNs(idle);
    auto idleStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    uint64_t used = CpuNs(idle) - before;
    double wall = std::chrono::duration<double>(Clock::now() - idleStart).count();
    std::printf("idle launcher over %.1f s: %.3f ms CPU = %.4f %% of one core (target < 1 %%); %.1f ms CPU before\n",
                wall, used / 1e6, 100.0 * used / 1e9 / wall, before / 1e6);

    Stop(idle);
    XCloseDisplay(x);
    testsupport::StopXvfb(xvfb);
    std::filesystem::remove_all(dir);
    return 0;
}
