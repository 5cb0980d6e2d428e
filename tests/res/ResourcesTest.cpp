#include "res/Resources.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/EmbeddedFiles.h"

namespace res {
namespace {

// The pictures the window is laid out for, with their sizes.
struct Expected {
    int id;
    int width;
    int height;
};
constexpr Expected kExpected[] = {
    {128, 64, 64},    {130, 1280, 720}, {131, 836, 16},   {132, 542, 260}, {134, 170, 48},
    {136, 18, 18},    {137, 170, 48},   {139, 170, 48},   {140, 170, 48},  {141, 170, 48},
    {142, 170, 48},   {143, 239, 65},   {144, 239, 65},   {145, 239, 65},  {146, 239, 65},
    {147, 40, 40},    {148, 40, 40},    {149, 40, 40},    {150, 40, 40},   {151, 40, 40},
    {152, 40, 40},    {153, 54, 54},    {154, 54, 54},    {155, 54, 54},   {156, 54, 54},
    {157, 54, 54},    {158, 54, 54},    {159, 54, 54},    {160, 54, 54},   {161, 54, 54},
    {162, 40, 40},    {163, 40, 40},    {164, 40, 40},    {165, 54, 54},   {166, 54, 54},
    {167, 54, 54},    {168, 54, 54},    {169, 54, 54},    {170, 54, 54},
};

// A skinned button: its mask and the pictures drawn through it.
struct Button {
    const char* what;
    int mask;
    std::vector<int> states;
};
const Button kButtons[] = {
    {"start", 144, {145, 146, 143}},
    {"close", 147, {148, 149}},
    {"minimise", 150, {151, 152}},
    {"official site", 153, {154, 155}},
    {"community", 156, {157, 158}},
    {"facebook", 159, {160, 161}},
    {"repair", 162, {163, 164}},
    {"instagram", 165, {166, 167}},
    {"youtube", 168, {169, 170}},
    {"confirm", 141, {137, 142}},
    {"cancel", 139, {134, 140}},
};

Image Load(int id) {
    Image image;
    EXPECT_TRUE(LoadPicture(id, image)) << id;
    return image;
}

size_t CountWhite(const Image& image) {
    size_t n = 0;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            n += IsPureWhite(image.Pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

TEST(ResourcesTest, EveryPictureIsEmbeddedAndDecodesAtItsSize) {
    ASSERT_EQ(AllPictures().size(), std::size(kExpected));
    for (const Expected& e : kExpected) {
        const Picture* p = FindPicture(e.id);
        ASSERT_NE(p, nullptr) << e.id;
        EXPECT_EQ(p->id, e.id);
        EXPECT_EQ(p->width, e.width) << e.id;
        EXPECT_EQ(p->height, e.height) << e.id;
        ASSERT_FALSE(p->png.empty()) << e.id << " " << p->name << " is not embedded";
        Image image;
        ASSERT_TRUE(DecodePng(p->png, image)) << e.id;
        EXPECT_EQ(image.Width(), e.width) << e.id;
        EXPECT_EQ(image.Height(), e.height) << e.id;
    }
}

TEST(ResourcesTest, NoStrayFilesAreEmbedded) {
    std::set<std::string> expected;
    for (const Picture& p : AllPictures()) {
        expected.insert(std::to_string(p.id) + "_" + p.name + ".png");
    }
    std::set<std::string> embedded;
    for (const EmbeddedFile& f : EmbeddedFiles()) {
        embedded.insert(f.fileName);
    }
    EXPECT_EQ(embedded, expected);
}

TEST(ResourcesTest, UnknownIdsFindNothing) {
    for (int id : {0, 102, 129, 133, 135, 138, 171, -1}) {
        EXPECT_EQ(FindPicture(id), nullptr) << id;
        Image out(2, 2);
        EXPECT_FALSE(LoadPicture(id, out)) << id;
        EXPECT_TRUE(out.Empty()) << id;
    }
}

// A background's pure white pixels are the window's rounded corners: in every row they form
// at most one run at each end, only in the rows near the top and bottom, and the corner
// pixels themselves are white.
TEST(ResourcesTest, BackgroundsAreWhiteOnlyInTheirCorners) {
    for (int id : {IDB_MAIN_BACKGROUND, IDB_MSGBOX_BACKGROUND}) {
        const Image image = Load(id);
        ASSERT_FALSE(image.Empty());
        const int w = image.Width();
        const int h = image.Height();
        const int corner = 24;
        for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
            EXPECT_TRUE(IsPureWhite(image.Pixel(x, y))) << id << " corner " << x << "," << y;
        }
        for (int y = 0; y < h; ++y) {
            int left = 0;
            while (left < w && IsPureWhite(image.Pixel(left, y))) {
                ++left;
            }
            int right = 0;
            while (right < w - left && IsPureWhite(image.Pixel(w - 1 - right, y))) {
                ++right;
            }
            const bool nearEdge = y < corner || y >= h - corner;
            EXPECT_LE(left, nearEdge ? corner : 0) << id << " row " << y;
            EXPECT_LE(right, nearEdge ? corner : 0) << id << " row " << y;
            for (int x = left; x < w - right; ++x) {
                ASSERT_FALSE(IsPureWhite(image.Pixel(x, y))) << id << " white inside at " << x << "," << y;
            }
        }
    }
}

// A mask is black inside the button and white outside, with white corners; each picture drawn
// through it is pure white exactly where the mask is, so the cut-out is the same in every state.
TEST(ResourcesTest, ButtonPicturesAreWhiteExactlyWhereTheirMaskIs) {
    for (const Button& b : kButtons) {
        const Image mask = Load(b.mask);
        ASSERT_FALSE(mask.Empty()) << b.what;
        const int w = mask.Width();
        const int h = mask.Height();
        EXPECT_TRUE(IsPureWhite(mask.Pixel(0, 0))) << b.what;
        EXPECT_TRUE(IsPureWhite(mask.Pixel(w - 1, h - 1))) << b.what;
        EXPECT_EQ(mask.Pixel(w / 2, h / 2), (Rgba{0, 0, 0, 255})) << b.what;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const Rgba m = mask.Pixel(x, y);
                ASSERT_TRUE(IsPureWhite(m) || m == (Rgba{0, 0, 0, 255})) << b.what << " mask at " << x << "," << y;
            }
        }
        for (int id : b.states) {
            const Image state = Load(id);
            ASSERT_EQ(state.Width(), w) << id;
            ASSERT_EQ(state.Height(), h) << id;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(IsPureWhite(state.Pixel(x, y)), IsPureWhite(mask.Pixel(x, y)))
                        << b.what << " picture " << id << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ResourcesTest, PicturesWithoutCutOutHaveNoPureWhite) {
    for (int id : {IDR_MAINFRAME, IDB_PROGRESS_FILL, IDB_MSGBOX_CLOSE}) {
        const Image image = Load(id);
        ASSERT_FALSE(image.Empty()) << id;
        EXPECT_EQ(CountWhite(image), 0u) << id;
    }
}

// The states of a button must be told apart: the pressed picture differs from the normal one
// inside the shape, and the disabled start button is greyer than the enabled one.
TEST(ResourcesTest, ButtonStatesDiffer) {
    for (const Button& b : kButtons) {
        const Image normal = Load(b.states[0]);
        const Image pressed = Load(b.states[1]);
        size_t differing = 0;
        for (int y = 0; y < normal.Height(); ++y) {
            for (int x = 0; x < normal.Width(); ++x) {
                differing += normal.Pixel(x, y) == pressed.Pixel(x, y) ? 0 : 1;
            }
        }
        EXPECT_GT(differing, static_cast<size_t>(normal.Width() * normal.Height() / 10)) << b.what;
    }
    auto saturation = [](const Image& image) {
        long long sum = 0;
        for (int y = 0; y < image.Height(); ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                const Rgba c = image.Pixel(x, y);
                if (!IsPureWhite(c)) {
                    sum += std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
                }
            }
        }
        return sum;
    };
    EXPECT_LT(saturation(Load(IDB_START_DISABLED)) * 3, saturation(Load(IDB_START_NORMAL)));
}

}  // namespace
}  // namespace res
