// AidDrawing: immediate mode in the GL state of the frame, each aid within a push and pop of the
// state it changes.
#include "render/AidDrawing.h"

#include "render/BitmapFont.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace kalderino {

namespace {

constexpr float kEdgeColour[3] = {0.08f, 0.08f, 0.08f};
constexpr float kBoxColour[3] = {0.85f, 0.85f, 0.85f};
constexpr float kGridColour[3] = {0.45f, 0.45f, 0.45f};
constexpr float kMarkColour[3] = {1.0f, 0.85f, 0.0f};
constexpr int kPanelMargin = 6;   // pixels from the window's edges to the band
constexpr int kPanelPadding = 5;  // pixels from the band's edges to the text
constexpr int kLineHeight = BitmapFont::kHeight + 1;

// Lines, unlit and in one colour, with depth test as it is.
void beginLines(const float colour[3]) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glColor3fv(colour);
}

void text(const char* characters, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        glBitmap(BitmapFont::kWidth, BitmapFont::kHeight, 0.0f,
                 static_cast<float>(BitmapFont::kDescent), static_cast<float>(BitmapFont::kWidth),
                 0.0f, BitmapFont::glyph(characters[i]));
}

}  // namespace

void drawEdges(const std::function<void()>& drawModel) {
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glColor3fv(kEdgeColour);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    // Pulled towards the eye, so the lines win the depth test against the faces they lie on.
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(-1.0f, -1.0f);
    drawModel();
    glPopAttrib();
}

void drawBox(const Vec3& low, const Vec3& high) {
    beginLines(kBoxColour);
    glBegin(GL_LINES);
    for (int axis = 0; axis < 3; ++axis) {
        // The four edges along axis, one from each corner of the face at its low end.
        for (int corner = 0; corner < 4; ++corner) {
            Vec3 from = low;
            from[(axis + 1) % 3] = (corner & 1) != 0 ? high[(axis + 1) % 3] : low[(axis + 1) % 3];
            from[(axis + 2) % 3] = (corner & 2) != 0 ? high[(axis + 2) % 3] : low[(axis + 2) % 3];
            Vec3 to = from;
            to[axis] = high[axis];
            glVertex3dv(from.data());
            glVertex3dv(to.data());
        }
    }
    glEnd();
    glPopAttrib();
}

double gridStep(double span) {
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    const double rough = span / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (rough <= factor * power) return factor * power;
    return 10.0 * power;
}

void drawGrid(const Vec3& low, const Vec3& high, UpAxis up) {
    const int a = (up.axis + 1) % 3;
    const int b = (up.axis + 2) % 3;
    const double step = gridStep(std::max(high[a] - low[a], high[b] - low[b]));
    const double aLow = (std::floor(low[a] / step) - 1.0) * step;
    const double aHigh = (std::ceil(high[a] / step) + 1.0) * step;
    const double bLow = (std::floor(low[b] / step) - 1.0) * step;
    const double bHigh = (std::ceil(high[b] / step) + 1.0) * step;
    Vec3 point{0.0, 0.0, 0.0};
    point[up.axis] = up.sign > 0 ? low[up.axis] : high[up.axis];
    const auto line = [&](int along, double at, double from, double to) {
        const int across = along == a ? b : a;
        point[across] = at;
        point[along] = from;
        glVertex3dv(point.data());
        point[along] = to;
        glVertex3dv(point.data());
    };
    beginLines(kGridColour);
    glBegin(GL_LINES);
    const int aLines = static_cast<int>(std::lround((aHigh - aLow) / step));
    const int bLines = static_cast<int>(std::lround((bHigh - bLow) / step));
    for (int i = 0; i <= aLines; ++i) line(b, aLow + i * step, bLow, bHigh);
    for (int i = 0; i <= bLines; ++i) line(a, bLow + i * step, aLow, aHigh);
    glEnd();
    glPopAttrib();
}

void drawMarks(const std::vector<Vec3>& marks) {
    beginLines(kMarkColour);
    glDisable(GL_DEPTH_TEST);
    glPointSize(7.0f);
    glLineWidth(2.0f);
    if (marks.size() >= 2) {
        glBegin(GL_LINES);
        glVertex3dv(marks[0].data());
        glVertex3dv(marks[1].data());
        glEnd();
    }
    glBegin(GL_POINTS);
    for (const Vec3& mark : marks) glVertex3dv(mark.data());
    glEnd();
    glPopAttrib();
}

void drawAxesTriad(int width, int height) {
    const int size = std::clamp(std::min(width, height) / 5, 40, 120);
    double turn[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, turn);
    turn[12] = turn[13] = turn[14] = 0.0;  // the turn alone: no move
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_VIEWPORT_BIT |
                 GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.4, 1.4, -1.4, 1.4, -2.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(turn);
    const float colours[3][3] = {{0.95f, 0.3f, 0.3f}, {0.3f, 0.9f, 0.3f}, {0.4f, 0.55f, 1.0f}};
    glLineWidth(2.0f);
    for (int axis = 0; axis < 3; ++axis) {
        Vec3 tip{0.0, 0.0, 0.0};
        tip[axis] = 0.85;
        glColor3fv(colours[axis]);
        glBegin(GL_LINES);
        glVertex3d(0.0, 0.0, 0.0);
        glVertex3dv(tip.data());
        glEnd();
        tip[axis] = 1.1;
        glRasterPos3dv(tip.data());  // latches the colour for the label
        // The label's middle on the point: half a glyph left and down.
        glBitmap(0, 0, 0.0f, 0.0f, -BitmapFont::kWidth / 2.0f, -BitmapFont::kHeight / 2.0f + 2.0f,
                 nullptr);
        text(&"XYZ"[axis], 1);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

void drawTextPanel(const std::vector<std::string>& lines, int width, int height) {
    std::size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    const int bandWidth = static_cast<int>(longest) * BitmapFont::kWidth + 2 * kPanelPadding;
    const int bandHeight = static_cast<int>(lines.size()) * kLineHeight + 2 * kPanelPadding;
    const int left = kPanelMargin;
    const int top = height - kPanelMargin;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT |
                 GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.65f);
    glRecti(left, top - bandHeight, std::min(left + bandWidth, width), top);
    glDisable(GL_BLEND);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int baseline = top - kPanelPadding - static_cast<int>(i) * kLineHeight -
                             BitmapFont::kHeight + BitmapFont::kDescent;
        if (baseline - BitmapFont::kDescent < 0) break;  // below the window: no raster position
        glRasterPos2i(left + kPanelPadding, baseline);
        text(lines[i].data(), lines[i].size());
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace kalderino
