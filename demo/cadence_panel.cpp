#include "demo/cadence_panel.h"

#include <GL/gl.h>

namespace {

// Text at the overlay's own size: a character is 0.01 of the window wide and
// kLine high, and the lines of one Print follow each other kLine apart. The
// tick labels ride on that: a chart's edges sit on the middles of chosen lines
// of its Print, so one Print labels the whole chart.
const float kTextScaleX = 1.0f;
const float kTextScaleY = 1.25f;
const float kLine = 0.02f * kTextScaleY;

struct Rgb {
    float r, g, b;
};

const Rgb kLeftColour = {0.4f, 1.0f, 0.4f};
const Rgb kRightColour = {0.4f, 0.8f, 1.0f};
const Rgb kRedrawColour = {1.0f, 0.6f, 0.2f};
const Rgb kNominalColour = {1.0f, 1.0f, 0.2f};
const Rgb kFrameColour = {0.5f, 0.5f, 0.5f};
const Rgb kStatusColour = {0.85f, 0.85f, 0.85f};

// One strip chart, in fractions of the window from its top-left corner, and
// the interval its top edge stands for.
struct Chart {
    float left, right, top, bottom;
    double topSeconds;
};

// Side charts: the band under the header line, well above the rate lines at
// the bottom. The Print at (x, kSideTextY) holds the title, the figures and
// the labels; line 2 is the top edge, line 12 the baseline and line 8 the
// nominal interval, which 2.5 nominal intervals at the top puts 0.4 of the way
// up. Room above the nominal line shows a missed frame and a half at a glance.
const float kSideTextY = 0.095f;
const float kSideX[2] = {0.03f, 0.53f};
const float kSideLabelWidth = 0.055f;
const float kSideWidth = 0.44f;
const int kSideTopLine = 2;
const int kSideBaseLine = 12;
const double kSideScale = 2.5;
// Used while a side has no target yet (the state before the program starts).
const double kFallbackNominal = 1.0 / 60.0;

// Redraw strip: full width, ending above 0.81, where the scene names a side's
// rule when it is not the usual one. Its own scale of four mean redraw
// intervals (or a fixed 20 ms before the first), a vertex for every
// kRedrawGroup redraws. Its Print starts with the figures line; lines 1 and 3
// are the top edge and the baseline. The status line goes one line above.
const float kRedrawTextY = 0.70f;
const float kRedrawX = 0.03f;
const float kRedrawLabelWidth = 0.055f;
const float kRedrawRight = 0.97f;
const int kRedrawTopLine = 1;
const int kRedrawBaseLine = 3;
const double kRedrawScale = 4.0;
const double kRedrawFallbackTop = 0.020;
const int kRedrawGroup = 4;

float LineMiddle(float textY, int line) {
    return textY + (static_cast<float>(line) + 0.5f) * kLine;
}

Chart SideChart(int side, double nominal) {
    const float x = kSideX[side];
    return {x + kSideLabelWidth, x + kSideWidth, LineMiddle(kSideTextY, kSideTopLine),
            LineMiddle(kSideTextY, kSideBaseLine), kSideScale * nominal};
}

Chart RedrawChart(const IntervalFigures& redraw) {
    const double top = redraw.count > 0 ? kRedrawScale * redraw.mean : kRedrawFallbackTop;
    return {kRedrawX + kRedrawLabelWidth, kRedrawRight, LineMiddle(kRedrawTextY, kRedrawTopLine),
            LineMiddle(kRedrawTextY, kRedrawBaseLine), top > 0.0 ? top : kRedrawFallbackTop};
}

double Nominal(const Pacer& pacer) {
    return pacer.target > 0.0 ? 1.0 / pacer.target : kFallbackNominal;
}

float HeightOf(const Chart& chart, double seconds) {
    double f = seconds / chart.topSeconds;
    // Anything longer than the top, and anything that isn't a number, is
    // pinned to the top edge rather than drawn over the text above.
    if (!(f <= 1.0)) {
        f = 1.0;
    } else if (f < 0.0) {
        f = 0.0;
    }
    return chart.bottom - static_cast<float>(f) * (chart.bottom - chart.top);
}

void Colour(const Rgb& c) {
    glColor3f(c.r, c.g, c.b);
}

// Inside glBegin(GL_LINES): the top edge, the axis and the baseline in the
// frame colour, and one reference level across in the nominal colour.
void Frame(const Chart& chart, double reference) {
    Colour(kFrameColour);
    glVertex2f(chart.left, chart.top);
    glVertex2f(chart.right, chart.top);
    glVertex2f(chart.left, chart.top);
    glVertex2f(chart.left, chart.bottom);
    glVertex2f(chart.left, chart.bottom);
    glVertex2f(chart.right, chart.bottom);
    Colour(kNominalColour);
    const float y = HeightOf(chart, reference);
    glVertex2f(chart.left, y);
    glVertex2f(chart.right, y);
}

// The kept intervals as one line strip, oldest first, the newest always at
// the right edge so that a filling chart grows in from the right. With a group
// above 1 each vertex stands for the longest interval of that many, so that a
// thin strip stays cheap and still shows every hitch.
void Series(const Chart& chart, const IntervalFigures& figures, int group, const Rgb& colour) {
    int n = figures.recentCount;
    if (n > kRecentIntervals) {
        n = kRecentIntervals;
    }
    if (n < 2) {
        return;
    }
    const float step = (chart.right - chart.left) / static_cast<float>(kRecentIntervals - 1);
    const int first = kRecentIntervals - n;
    Colour(colour);
    glBegin(GL_LINE_STRIP);
    double longest = 0.0;
    for (int i = 0; i < n; ++i) {
        const double interval = RecentInterval(figures, i);
        longest = interval > longest ? interval : longest;
        const int slot = first + i;
        if ((slot + 1) % group == 0 || i == n - 1) {
            glVertex2f(chart.left + step * static_cast<float>(slot), HeightOf(chart, longest));
            longest = 0.0;
        }
    }
    glEnd();
}

void Restore(GLenum cap, GLboolean was) {
    if (was) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
}

}  // namespace

void DrawCadencePanel(const Cadence& cadence, Font& font, const Pacer& left, PaceRule leftRule,
                      const Pacer& right, PaceRule rightRule, const char* statusLine) {
    // GL contract. Expects GL_MODELVIEW mode and leaves it. Changes and puts
    // back: both matrices (pushed, an orthographic 0..1 view with y down,
    // popped), the GL_TEXTURE_2D, GL_DEPTH_TEST and GL_BLEND enables and the
    // current colour. Binds no texture and leaves the blend function alone.
    // The Prints come last and leave what Font::Print leaves: texturing on with
    // the font's texture bound, blending off, depth test on. The font's scale
    // is put back too.
    //
    // Cost: in software GL every primitive pays its own setup, so the panel
    // keeps to lines and a few short texts, with no backdrop to fill.
    GLfloat savedColour[4];
    glGetFloatv(GL_CURRENT_COLOR, savedColour);
    const GLboolean wasTextured = glIsEnabled(GL_TEXTURE_2D);
    const GLboolean wasDepthTested = glIsEnabled(GL_DEPTH_TEST);
    const GLboolean wasBlended = glIsEnabled(GL_BLEND);

    const Chart charts[2] = {SideChart(0, Nominal(left)), SideChart(1, Nominal(right))};
    const Chart redrawChart = RedrawChart(cadence.redraw);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 1.0, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);

    glBegin(GL_LINES);
    Frame(charts[0], Nominal(left));
    Frame(charts[1], Nominal(right));
    Frame(redrawChart, cadence.redraw.mean);
    glEnd();
    Series(charts[0], cadence.left, 1, kLeftColour);
    Series(charts[1], cadence.right, 1, kRightColour);
    Series(redrawChart, cadence.redraw, kRedrawGroup, kRedrawColour);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    Restore(GL_TEXTURE_2D, wasTextured);
    Restore(GL_DEPTH_TEST, wasDepthTested);
    Restore(GL_BLEND, wasBlended);

    const float savedScaleX = font.scaleX;
    const float savedScaleY = font.scaleY;
    font.SetScale(kTextScaleX, kTextScaleY);
    const PaceRule rules[2] = {leftRule, rightRule};
    const IntervalFigures* sides[2] = {&cadence.left, &cadence.right};
    const Rgb colours[2] = {kLeftColour, kRightColour};
    // Every character costs a textured quad, spaces included: the texts are
    // short and the labels are not padded.
    for (int side = 0; side < 2; ++side) {
        const IntervalFigures& figures = *sides[side];
        Colour(colours[side]);
        // Lines 0 and 1, then the labels on lines 2, 8 and 12 (see kSideTopLine).
        font.Print(kSideX[side], kSideTextY,
                   "%s\n%.1f fps  jitter %.2f ms  1%% low %.1f\n%.1f\n\n\n\n\n\n%.1f\n\n\n\n0 ms",
                   PaceRuleName(rules[side]), MeanRate(figures), JitterMs(figures),
                   OnePercentLow(figures), 1000.0 * charts[side].topSeconds,
                   1000.0 * Nominal(side == 0 ? left : right));
    }
    Colour(kRedrawColour);
    font.Print(kRedrawX, kRedrawTextY,
               "redraw %.1f fps  jitter %.2f ms  1%% low %.1f\n%.1f\n\n0 ms",
               MeanRate(cadence.redraw), JitterMs(cadence.redraw), OnePercentLow(cadence.redraw),
               1000.0 * redrawChart.topSeconds);
    if (statusLine != nullptr) {
        Colour(kStatusColour);
        font.Print(kRedrawX, kRedrawTextY - kLine, "%s", statusLine);
    }
    font.SetScale(savedScaleX, savedScaleY);
    glColor4fv(savedColour);
}
