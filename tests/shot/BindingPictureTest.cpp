// BindingPictureTest: each of the model viewer's bindings replayed by kalderino-shot, and what its
// picture must show: aids, the panel's text read back with the renderer's font, views, picks.
#include "render/BitmapFont.h"
#include "tests/ProgramRun.h"
#include "tests/TestFolder.h"
#include "tests/shot/PngPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kalderino {

namespace {

using Picture = PngPicture;

// The pixels that pass test, counted and bounded.
struct Region {
    int count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    double x = 0.0, y = 0.0;  // their centroid
};

template <class Test> Region region(const Picture& picture, Test test) {
    Region r;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!test(x, y)) continue;
            ++r.count;
            r.left = std::min(r.left, x);
            r.right = std::max(r.right, x);
            r.top = std::min(r.top, y);
            r.bottom = std::max(r.bottom, y);
            r.x += x;
            r.y += y;
        }
    }
    r.x /= std::max(r.count, 1);
    r.y /= std::max(r.count, 1);
    return r;
}

Region changed(const Picture& after, const Picture& before) {
    return region(after, [&](int x, int y) { return !after.sameColour(before, x, y); });
}
Region lit(const Picture& picture) {
    return region(picture, [&](int x, int y) { return picture.sum(x, y) > 0; });
}
// The pixels of one colour.
Region coloured(const Picture& picture, int red, int green, int blue) {
    return region(picture, [&](int x, int y) {
        const unsigned char* p = picture.at(x, y);
        return p[0] == red && p[1] == green && p[2] == blue;
    });
}
// The pixels an aid changes, more than least of them, each to its grey (grey, grey, grey).
Region aidIn(int grey, int least, const Picture& after, const Picture& before) {
    const Region aid = changed(after, before);
    EXPECT_GT(aid.count, least);
    EXPECT_EQ(coloured(after, grey, grey, grey).count - coloured(before, grey, grey, grey).count,
              aid.count)
        << "lines of grey " << grey;
    return aid;
}
// The measurement's colour, (1, 0.85, 0).
Region marks(const Picture& picture) { return coloured(picture, 255, 217, 0); }
// The pixels whose channel (0 red, 1 green, 2 blue) is above both others by more than margin.
int mostly(const Picture& picture, int channel, int margin = 30) {
    return region(picture,
                  [&](int x, int y) {
                      const unsigned char* p = picture.at(x, y);
                      return p[channel] >
                             std::max(p[(channel + 1) % 3], p[(channel + 2) % 3]) + margin;
                  })
        .count;
}

// The panel's lines, read as the renderer lays them out: from 11 pixels in and 11 down, a line
// every 14 pixels top to top, each glyph's set pixels pure white over the darkened band.
std::vector<std::string> panel(const Picture& picture) {
    std::vector<std::string> lines;
    for (int line = 0;; ++line) {
        const int bottom = 11 + line * 14 + BitmapFont::kHeight - 1;  // the glyphs' lowest row
        if (bottom >= picture.height) break;
        std::string text;
        for (int left = 11; left + BitmapFont::kWidth <= picture.width;
             left += BitmapFont::kWidth) {
            unsigned char rows[BitmapFont::kHeight] = {};
            for (int row = 0; row < BitmapFont::kHeight; ++row)
                for (int column = 0; column < BitmapFont::kWidth; ++column)
                    if (picture.sum(left + column, bottom - row) == 3 * 255)
                        rows[row] |= static_cast<unsigned char>(0x80 >> column);
            char found = '\0';
            for (char c = ' '; c <= '~' && found == '\0'; ++c)
                if (std::equal(rows, rows + BitmapFont::kHeight, BitmapFont::glyph(c))) found = c;
            text += found == '\0' ? '#' : found;
        }
        text.erase(text.find_last_not_of(' ') + 1);
        if (text.empty()) break;
        lines.push_back(text);
    }
    return lines;
}

// kalderino-shot's 640 x 480 picture after arguments.
Picture shoot(const std::string& arguments) {
    EXPECT_EQ(run("exec " SHOT_PATH " -o p.png " + arguments), (Outcome{0, "p.png\n", ""}));
    return Picture("p.png");
}

class BindingPictureTest : public ::testing::Test {
protected:
    BindingPictureTest() {
        std::filesystem::copy_file(SHOT_DATA_PATH "/pyramids/pyramid.obj", "pyramid.obj");
        std::ofstream("square.obj") << "v 0 0 0\nv 4 0 0\nv 4 4 0\nv 0 4 0\nf 1 2 3 4\n";
        std::ofstream("cloud.ply") << "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                                      "property float y\nproperty float z\nproperty float nz\n"
                                      "end_header\n0 0 0 1\n1 0 0 1\n1 1 0 1\n0 1 0 1\n";
        std::ofstream("faces.ply") << "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\n"
                                      "property float y\nproperty float z\nelement face 2\n"
                                      "property list uchar int vertex_indices\nproperty float red\n"
                                      "property float green\nproperty float blue\nend_header\n"
                                      "0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2 0 1 0\n3 0 2 3 0 0 1\n";
        // A wavy grid of more triangles than kalderino-view draws while the view moves.
        EXPECT_EQ(run("awk 'BEGIN{n=331; for(y=0;y<n;y++)for(x=0;x<n;x++)printf \"v %d %d %f\\n\", "
                      "x,y,8*sin(x*0.1+y*0.07); for(y=0;y<n-1;y++)for(x=0;x<n-1;x++){a=y*n+x+1; "
                      "printf \"f %d %d %d\\nf %d %d %d\\n\",a,a+1,a+n+1,a,a+n+1,a+n}}' >big.obj"),
                  (Outcome{0, "", ""}));
    }
    TestFolder folder;
};

using Check = std::function<void(const Picture& after, const Picture& before)>;

// A view the keys give, and the same view from the command line.
Check sameAs(const std::string& arguments) {
    return [arguments](const Picture& after, const Picture& before) {
        EXPECT_TRUE(after == shoot(arguments)) << "not as " << arguments;
        EXPECT_FALSE(after == before);
    };
}

// Nothing drawn differs from the picture with no events.
const Check unchanged = [](const Picture& after, const Picture& before) {
    EXPECT_TRUE(after == before);
};

// The mark of a point picked at (x, y) found at (atX, atY), within a pixel.
Check markAt(double atX, double atY) {
    return [=](const Picture& after, const Picture&) {
        const Region mark = marks(after);
        ASSERT_GT(mark.count, 20);
        EXPECT_NEAR(mark.x, atX, 1.0);
        EXPECT_NEAR(mark.y, atY, 1.0);
    };
}

// The mark of a point picked found farther than distance from (x, y).
Check markAway(double x, double y, double distance) {
    return [=](const Picture& after, const Picture&) {
        EXPECT_GT(std::hypot(marks(after).x - x, marks(after).y - y), distance);
    };
}

TEST_F(BindingPictureTest, EachBindingDrawsWhatItIsFor) {
    const struct {
        const char* arguments;  // the events, and the file
        Check check;
    } rows[] = {
        {"--events 'key E' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             aidIn(20, 500, after, before);  // over the faces more than anywhere
             const Region darkened = region(after, [&](int x, int y) {
                 return before.sum(x, y) > 150 && after.sum(x, y) == 3 * 20;
             });
             EXPECT_GT(darkened.count, 500);
             EXPECT_LT(darkened.count, lit(before).count / 10);
         }},
        {"--events 'key G' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             EXPECT_GT(aidIn(115, 1000, after, before).bottom, lit(before).bottom + 20)
                 << "below the model";
         }},
        {"--events 'key X' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             const Region axes = changed(after, before);
             EXPECT_GT(axes.count, 100);
             EXPECT_LT(axes.right, 130);
             EXPECT_GT(axes.top, 480 - 130);
             for (int channel = 0; channel < 3; ++channel) {
                 const auto axis = [&](int x, int y) {
                     const unsigned char* p = after.at(x, y);
                     const int others = std::max(p[(channel + 1) % 3], p[(channel + 2) % 3]);
                     return x < 130 && y > 350 && p[channel] > 200 && others < 160;
                 };
                 EXPECT_GT(region(after, axis).count, 10) << "an axis in channel " << channel;
             }
         }},
        {"--events 'key B' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             const Region box = aidIn(217, 500, after, before), model = lit(before);
             EXPECT_LE(box.left, model.left + 1);
             EXPECT_GE(box.right, model.right - 1);
             EXPECT_LE(box.top, model.top + 1);
             EXPECT_GE(box.bottom, model.bottom - 1);
         }},
        {"--events 'key M' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             std::vector<std::string> lines = panel(after);
             if (lines.size() > 3) lines[3].resize(10);  // the time it took to read, under a second
             EXPECT_EQ(lines, (std::vector<std::string>{"pyramid.obj", "5 points, 6 triangles",
                                                        "size 2 x 1 x 1.5", "read in 0.",
                                                        "- frames a second"}))
                 << "no frame rate in pictures";
             const Region band = changed(after, before);
             EXPECT_LT(band.bottom, 11 + 5 * 14 + 6);
             EXPECT_EQ(panel(before).size(), 0u);
         }},
        {"--events 'key M M' pyramid.obj", unchanged},
        {"--events 'key P P P' cloud.ply",
         [](const Picture& after, const Picture& before) {
             EXPECT_GE(lit(before).count, 4);
             EXPECT_GE(lit(after).count, 4 * 16) << "points 4 pixels wide";
         }},
        {"--events 'key P P O O O' cloud.ply", unchanged},
        {"--events 'key M M' faces.ply",  // each face in its own colour, lit
         [](const Picture& after, const Picture&) {
             EXPECT_GT(mostly(after, 1), 10000);
             EXPECT_GT(mostly(after, 2), 10000);
             EXPECT_EQ(mostly(after, 1) + mostly(after, 2), lit(after).count);
         }},
        {"--events 'key M M' square.obj pyramid.obj",  // the second file in a colour of its own
         [](const Picture& after, const Picture&) {
             EXPECT_GT(mostly(after, 0), 1000);
             EXPECT_GT(mostly(after, 2, 50), 1000);
         }},
        {"--color 0,1,0 --events 'key M M' square.obj pyramid.obj",
         [](const Picture& after, const Picture&) {
             EXPECT_EQ(mostly(after, 1), lit(after).count);
         }},
        {"--events 'key 1' pyramid.obj", sameAs("--view front pyramid.obj")},
        {"--events 'drag 100,100 200,160; shift+drag 10,10 30,40; key f r 7' pyramid.obj",
         sameAs("--view top pyramid.obj")},
        {"--events 'key K; drag 320,240 420,300' pyramid.obj",
         [](const Picture& after, const Picture&) {
             EXPECT_FALSE(after == shoot("--events 'drag 320,240 420,300' pyramid.obj"))
                 << "turned as the turntable turns";
             EXPECT_TRUE(after == shoot("--events 'key K K K; drag 320,240 420,300' "
                                        "pyramid.obj"));
         }},
        // The measurement across the square seen from the front, 96 pixels a unit: from the
        // middles of pixels 224 and 416 of the middle row.
        {"--view front --events 'ctrl+click 224,240; ctrl+click 416,240' square.obj",
         [](const Picture& after, const Picture&) {
             const std::vector<std::string> lines = panel(after);
             ASSERT_EQ(lines.size(), 1u);
             ASSERT_EQ(lines[0].rfind("distance ", 0), 0u) << lines[0];
             EXPECT_NEAR(std::atof(lines[0].c_str() + 9), 2.0, 1e-3);
             const Region line = marks(after);
             EXPECT_EQ(line.left, 224 - 3);
             EXPECT_EQ(line.right, 416 + 3);
             EXPECT_GE(line.top, 240 - 4);
             EXPECT_LE(line.bottom, 240 + 4);
             EXPECT_GT(line.count, 2 * (416 - 224)) << "the line between";
         }},
        {"--events 'ctrl+click 300,250; ctrl+click 5,5' pyramid.obj", unchanged},
        {"--events 'ctrl+click 250,200; ctrl+scroll 3 at 250,200' pyramid.obj",
         [](const Picture& after, const Picture& before) {
             markAt(250, 200)(after, before);
             EXPECT_GT(lit(after).count, lit(before).count * 1.3);
         }},
        {"--events 'ctrl+click 250,200; ctrl+scroll -3 at 250,200' pyramid.obj", markAt(250, 200)},
        // The plain wheel zooms toward the middle; the ctrl wheel toward the point on the
        // background at the target's depth, the mark moving away from it.
        {"--events 'ctrl+click 250,200; scroll 3 at 250,200' pyramid.obj", markAway(250, 200, 10)},
        {"--events 'ctrl+click 250,200; ctrl+scroll 2 at 20,20' pyramid.obj",
         markAway(20, 20, std::hypot(250 - 20, 200 - 20) + 20)},
        {"--events 'ctrl+click 250,200; double-click 250,200' pyramid.obj", markAt(319.5, 239.5)},
        {"--events 'key x f r; ctrl+click 250,200; double-click 250,200' pyramid.obj",
         markAt(319.5, 239.5)},
        {"--events 'ctrl+click 250,200; double-click 250,200' " DATA_PATH, markAt(319.5, 239.5)},
        {"--events 'ctrl+click 250,200; ctrl+scroll 2 at 250,200' " DATA_PATH, markAt(250, 200)},
        {"--events 'double-click 5,5' pyramid.obj", unchanged},
        // A big model mid-drag draws its simplified copy, in full detail once the button is up.
        {"--events 'press left 300,200; move 340,220' big.obj",
         [](const Picture& after, const Picture&) {
             const Picture full = shoot("--events 'drag 300,200 340,220' big.obj");
             EXPECT_FALSE(after == full);
             EXPECT_NEAR(lit(after).count, lit(full).count, lit(full).count / 20);
         }},
        {"--events 'drag 300,200 340,220; key 1' big.obj", sameAs("--view front big.obj")},
        {"--events 'click 250,200; click 250,200' pyramid.obj", unchanged},  // a second apart
    };
    std::map<std::string, Picture> plain;  // each file's picture with no events
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const std::string arguments = row.arguments;
        std::string file = arguments.substr(arguments.rfind(' ') + 1);
        if (arguments.rfind("--view front", 0) == 0) file = "--view front " + file;
        if (plain.count(file) == 0) plain[file] = shoot(file);
        const Picture after = shoot(arguments);
        ASSERT_EQ(std::pair(after.width, after.height), std::pair(640, 480));
        row.check(after, plain[file]);
    }
}

}  // namespace

}  // namespace kalderino
