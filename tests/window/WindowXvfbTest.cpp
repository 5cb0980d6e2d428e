// The launcher's real window on an X server of its own (Xvfb): its place and shape as the
// server sees them, synthetic pointer input through xdotool, the box it opens, and the
// snapshot it writes when it ends.

#include "tests/support/Spawn.h"
#include "tests/support/TempDir.h"
#include "tests/support/Xvfb.h"
#include "res/Image.h"
#include "res/Resources.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>


namespace {

using Clock = std::chrono::steady_clock;
using testsupport::TempDir;

// The longest any wait for the launcher may take; every wait below uses it.
constexpr auto kTimeout = std::chrono::seconds(10);

// One Xvfb server for the whole run, on a display number it picks itself.
struct XServer {
    pid_t pid = 0;
    std::string name;  // ":N"
    Display* display = nullptr;
};
XServer* g_server = nullptr;

class XvfbEnvironment : public testing::Environment {
public:
    void SetUp() override {
        std::string name;
        pid_t pid = testsupport::StartXvfb(name);
        if (pid < 0) return;
        auto server = new XServer;
        server->pid = pid;
        server->name = name;
        server->display = XOpenDisplay(server->name.c_str());
        // Windows come and go while the tests look at them: a request about one that has
        // just gone is not a failure.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        g_server = server;
    }
    void TearDown() override {
        if (!g_server) return;
        if (g_server->display) XCloseDisplay(g_server->display);
        testsupport::StopXvfb(g_server->pid);
        delete g_server;
        g_server = nullptr;
    }
};
const auto* g_environment = testing::AddGlobalTestEnvironment(new XvfbEnvironment);

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        if (access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

res::Image Picture(int id) {
    res::Image image;
    EXPECT_TRUE(res::LoadPicture(id, image)) << id;
    return image;
}

struct XWindowInfo {
    Window window = 0;
    XWindowAttributes attributes{};
};

class WindowXvfbTest : public testing::Test {
protected:
    void SetUp() override {
        if (!g_server || !g_server->display) GTEST_SKIP() << "Xvfb could not be started";
        if (!OnPath("xdotool")) GTEST_SKIP() << "xdotool is not installed";
        m_display = g_server->display;
        const char* binDir = std::getenv("DAV_BIN_DIR");
        // Run by hand: the build tree's bin/ beside tests/.
        std::string bin = binDir ? binDir
                                 : std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string() + "/bin";
        m_snapshot = m_dir / "snapshot.png";
        std::vector<std::string> env = {"DISPLAY=" + g_server->name, "DAVURERUVO_UI=window",
                                        "DAVURERUVO_SNAPSHOT=" + m_snapshot};
        // In a sanitizer build, what the system's libraries leave behind is not ours to report.
        if (const char* source = std::getenv("DAV_SOURCE_DIR"))
            env.push_back("LSAN_OPTIONS=suppressions=" + std::string(source) + "/tests/window/lsan.supp:print_suppressions=0");
        m_pid = testsupport::SpawnProgram({bin + "/DAVureruvo.exe", "-runbin"}, env, m_dir.Path(), m_dir / "out.txt");
        ASSERT_GT(m_pid, 0);
        ASSERT_TRUE(WaitFor([&] { return Windows().size() == 1; })) << "the dialog did not appear";
    }

    void TearDown() override {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    template <typename Condition>
    bool WaitFor(Condition condition) {
        auto deadline = Clock::now() + kTimeout;
        while (Clock::now() < deadline) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // The launcher's windows the server shows, in stacking order.
    std::vector<XWindowInfo> Windows() {
        std::vector<XWindowInfo> found;
        Window root = DefaultRootWindow(m_display), parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, root, &root, &parent, &children, &count)) return found;
        Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
        for (unsigned i = 0; i < count; ++i) {
            Atom type;
            int format;
            unsigned long items, after;
            unsigned char* data = nullptr;
            bool ours = XGetWindowProperty(m_display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                           &items, &after, &data) == Success &&
                        data && items == 1 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == m_pid;
            if (data) XFree(data);
            XWindowInfo info;
            info.window = children[i];
            if (ours && XGetWindowAttributes(m_display, children[i], &info.attributes) &&
                info.attributes.map_state == IsViewable)
                found.push_back(info);
        }
        if (children) XFree(children);
        return found;
    }

    // The pixel the screen shows at x, y.
    res::Rgba ScreenPixel(int x, int y) {
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image) return {};
        unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return res::Rgba{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p), 255};
    }

    // Every pixel of the window covered by its bounding shape equals !IsPureWhite(picture).
    void ExpectShapeLeavesOutWhite(Window window, const res::Image& picture) {
        int count = 0, ordering = 0;
        XRectangle* rects = XShapeGetRectangles(m_display, window, ShapeBounding, &count, &ordering);
        ASSERT_NE(rects, nullptr);
        std::vector<bool> covered(static_cast<size_t>(picture.Width()) * picture.Height(), false);
        for (int i = 0; i < count; ++i) {
            for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y)
                for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x)
                    if (picture.Contains(x, y)) covered[static_cast<size_t>(y) * picture.Width() + x] = true;
        }
        XFree(rects);
        int wrong = 0, cut = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                bool white = res::IsPureWhite(picture.Pixel(x, y));
                cut += white ? 1 : 0;
                if (covered[static_cast<size_t>(y) * picture.Width() + x] == white) ++wrong;
            }
        }
        EXPECT_GT(cut, 0);
        EXPECT_EQ(wrong, 0);
    }

    void Xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_t pid = testsupport::SpawnProgram(argv, {"DISPLAY=" + g_server->name}, "", m_dir / "xdotool.txt");
        ASSERT_GT(pid, 0);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args.front();
    }
    void ClickAt(int x, int y) { Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}); }

    // Waits for the launcher to end; its exit status then says whether it ended cleanly
    // (a sanitizer build reports its findings with a failing status).
    bool WaitEnded() {
        bool ended = WaitFor([&] { return waitpid(m_pid, &m_status, WNOHANG) == m_pid; });
        m_ended = ended;
        return ended;
    }

    Display* m_display = nullptr;
    TempDir m_dir;
    std::string m_snapshot;
    pid_t m_pid = 0;
    bool m_ended = false;
    int m_status = 0;
};

// A point of a button (screen coordinates, button at bx, by) where its mask is white and
// the background under it is not: the button's masked-out part over the window.
std::optional<std::pair<int, int>> MaskedOutPoint(int maskId, int bx, int by, const res::Image& background) {
    res::Image mask = Picture(maskId);
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            if (res::IsPureWhite(mask.Pixel(x, y)) && !res::IsPureWhite(background.Pixel(bx + x, by + y)))
                return std::make_pair(bx + x, by + y);
    return std::nullopt;
}

}  // namespace

TEST_F(WindowXvfbTest, TheDialogSitsAtTheOriginAndItsShapeLeavesOutTheWhitePixels) {
    std::vector<XWindowInfo> windows = Windows();
    ASSERT_EQ(windows.size(), 1u);
    const XWindowAttributes& a = windows[0].attributes;
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 1280);
    EXPECT_EQ(a.height, 720);
    ExpectShapeLeavesOutWhite(windows[0].window, Picture(IDB_MAIN_BACKGROUND));
}

TEST_F(WindowXvfbTest, ButtonsReactOnlyInsideTheirMasksAndCloseAsksInACentredBox) {
    res::Image background = Picture(IDB_MAIN_BACKGROUND);
    auto corner = MaskedOutPoint(IDB_CLOSE_MASK, 1230, 20, background);
    ASSERT_TRUE(corner.has_value());

    // A click on the close button's masked-out corner, a press on the close button moved
    // off before the release, and Escape: none of them asks anything.
    ClickAt(corner->first, corner->second);
    Xdotool({"mousemove", "1250", "40", "mousedown", "1", "mousemove", "640", "300", "mouseup", "1"});
    Xdotool({"key", "Escape"});

    // Then a press held on the repair button: once it shows pressed, everything before it
    // has been handled.
    res::Image normal = Picture(IDB_REPAIR_NORMAL), pressed = Picture(IDB_REPAIR_PRESSED), mask = Picture(IDB_REPAIR_MASK);
    int px = -1, py = -1;
    for (int y = 0; y < 40 && px < 0; ++y)
        for (int x = 0; x < 40 && px < 0; ++x)
            if (mask.Pixel(x, y) == res::Rgba{0, 0, 0, 255} && normal.Pixel(x, y) != pressed.Pixel(x, y)) px = x, py = y;
    ASSERT_GE(px, 0);
    Xdotool({"mousemove", "1150", "40", "mousedown", "1"});
    res::Rgba want = pressed.Pixel(px, py);
    EXPECT_TRUE(WaitFor([&] { return ScreenPixel(1130 + px, 20 + py) == want; })) << "the repair button never showed pressed";
    Xdotool({"mousemove", "640", "300", "mouseup", "1"});
    EXPECT_EQ(Windows().size(), 1u);
    EXPECT_EQ(waitpid(m_pid, nullptr, WNOHANG), 0);

    // A click inside the close button opens the box, centred over the dialog and shaped.
    ClickAt(1250, 40);
    ASSERT_TRUE(WaitFor([&] { return Windows().size() == 2; }));
    XWindowInfo box = Windows()[1];
    EXPECT_EQ(box.attributes.x, (1280 - 542) / 2);
    EXPECT_EQ(box.attributes.y, (720 - 260) / 2);
    EXPECT_EQ(box.attributes.width, 542);
    EXPECT_EQ(box.attributes.height, 260);
    ExpectShapeLeavesOutWhite(box.window, Picture(IDB_MSGBOX_BACKGROUND));

    // Its confirm button is drawn, and confirming ends the launcher.
    res::Image confirm = Picture(IDB_MSGBOX_OK_NORMAL), confirmMask = Picture(IDB_MSGBOX_OK_MASK);
    int bx = box.attributes.x + 315, by = box.attributes.y + 199;
    EXPECT_TRUE(WaitFor([&] {
        res::Rgba p = confirm.Pixel(85, 24);
        return ScreenPixel(bx + 85, by + 24) == res::Rgba{p.r, p.g, p.b, 255};
    }));
    ASSERT_EQ(confirmMask.Pixel(85, 24), (res::Rgba{0, 0, 0, 255}));
    ClickAt(bx + 85, by + 24);
    ASSERT_TRUE(WaitEnded());
    EXPECT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0) << testsupport::ReadFile(m_dir / "out.txt");

    // The snapshot it wrote: the bare dialog at its size, the start button disabled.
    std::ifstream in(m_snapshot, std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    res::Image snapshot;
    ASSERT_TRUE(res::DecodePng(std::span(reinterpret_cast<const unsigned char*>(png.data()), png.size()), snapshot));
    EXPECT_EQ(snapshot.Width(), 1280);
    EXPECT_EQ(snapshot.Height(), 720);
    EXPECT_EQ(snapshot.Pixel(640, 300), background.Pixel(640, 300));
    res::Image disabled = Picture(IDB_START_DISABLED);
    EXPECT_EQ(snapshot.Pixel(1010 + 120, 615 + 32), disabled.Pixel(120, 32));
}
