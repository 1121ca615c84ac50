#include "demo/scene.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "demo/cadence_panel.h"
#include "demo/charset.h"
#include "demo/pacing.h"
#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/live_motion.h"
#include "demo/presentations.h"
#include "gfx/image.h"
#include "pacing/cadence.h"

// Static construction order matters: the texture first, then the font, so
// the font goes first at exit.
Texture surfaceTexture;
Font overlayFont;

namespace {

const char kCreditLine[] = "two pacers, one screen";

// Keys beyond the host's own.
constexpr uint32_t kKeyNextLeftRule = 'Z';
constexpr uint32_t kKeyNextRightRule = 'X';
constexpr uint32_t kKeyPanel = 'G';
constexpr uint32_t kKeyVsync = 'V';
constexpr uint32_t kKeyLimit = 'L';
constexpr uint32_t kKeyNextLeftMotion = 'N';
constexpr uint32_t kKeyNextRightMotion = 'M';

bool panelShown = false;

// Where the limit shows with the panel hidden: the panel's line for it.
constexpr float kLimitTextX = 0.03f;
constexpr float kLimitTextY = 0.49f;

struct Colour {
    float r, g, b;
};

struct Spoke {
    float angle;
    Colour bottom;
    Colour top;
};

const Spoke kSpokes[3] = {
    {0.0f, {0.9f, 0.9f, 1.0f}, {0.75f, 0.75f, 1.0f}},
    {120.0f, {0.9f, 1.0f, 0.9f}, {0.75f, 1.0f, 0.75f}},
    {240.0f, {1.0f, 0.9f, 0.9f}, {1.0f, 0.75f, 0.75f}},
};

void DrawRotor(const Pacer& pacer, float xMin, float xMax, bool bindSurface) {
    glPushMatrix();
    glRotatef(pacer.outerAngle, 1.0f, 0.0f, 0.0f);
    if (bindSurface) {
        surfaceTexture.Bind();
    }
    for (int s = 0; s < 3; ++s) {
        const Spoke& spoke = kSpokes[s];
        glPushMatrix();
        if (s != 0) {
            glRotatef(spoke.angle, 1.0f, 0.0f, 0.0f);
        }
        glTranslatef(0.0f, 0.0f, 1.25f);
        glScalef(1.0f, 0.4f, 0.4f);
        glRotatef(pacer.innerAngle, 1.0f, 0.0f, 0.0f);
        // No push between faces: the turns add up to 0, 90, 270 and 180 degrees.
        for (int j = 0; j < 4; ++j) {
            glRotatef(static_cast<float>(j * 90), 1.0f, 0.0f, 0.0f);
            glBegin(GL_QUADS);
            glColor3f(spoke.bottom.r, spoke.bottom.g, spoke.bottom.b);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(xMin, -1.0f, 1.0f);
            glColor3f(spoke.bottom.r, spoke.bottom.g, spoke.bottom.b);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(xMax, -1.0f, 1.0f);
            glColor3f(spoke.top.r, spoke.top.g, spoke.top.b);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(xMax, 1.0f, 1.0f);
            glColor3f(spoke.top.r, spoke.top.g, spoke.top.b);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(xMin, 1.0f, 1.0f);
            glEnd();
        }
        glPopMatrix();
    }
    glPopMatrix();
}

bool PreInit() {
    return true;
}

const char* GetWindowTitle() {
    return "OpenGL program";
}

bool Init() {
    leftPacer.target = leftStartTarget;
    rightPacer.target = rightStartTarget;

    char path[1024];
    {
        Image image;
        image.Load(FindDataFile("metal2.bmp", path, sizeof path), LoadBMP);
        surfaceTexture.Create(image, nullptr);
        image.Free();
    }

    StartPresentations();
    StartLiveLimit();
    StartLiveMotion();
    glEnable(GL_TEXTURE_2D);

    // The camera's step back lives in the projection, so the model-view
    // matrix is the identity between frames.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(clientWidth) / static_cast<double>(clientHeight), 1.0,
                   100.0);
    glTranslatef(0.0f, 0.0f, -5.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    overlayFont.Load(FindDataFile("charset.tga", path, sizeof path), 256, 128, 24, 12, 17,
                     kOverlayCharset);
    overlayFont.SetBlendMode(0);
    OpenCadencePanel();
    return true;
}

// The context is about to go: every GL object made in it goes first.
void ReleaseContext() {
    CloseCadencePanel();
    overlayFont.DeleteTexture();
    surfaceTexture.Delete();
}

}  // namespace

void GetOverlayLines(OverlayLine (&lines)[kOverlayLineCount]) {
    lines[0] = {0.16f, 0.05f, "Tempola v" TEMPOLA_VERSION, false, 0.0};
    lines[1] = {0.60f, 0.05f, kCreditLine, false, 0.0};
    lines[2] = {0.15f, 0.85f, "Current FPS : %.1f", true, leftPacer.measuredRate};
    lines[3] = {0.15f, 0.88f, "Target FPS  : %.1f", true, leftPacer.target};
    lines[4] = {0.05f, 0.95f, "Use 'Q' and 'A' to change target FPS", false, 0.0};
    lines[5] = {0.67f, 0.85f, "Current FPS : %.1f", true, rightPacer.measuredRate};
    lines[6] = {0.67f, 0.88f, "Target FPS  : %.1f", true, rightPacer.target};
    lines[7] = {0.58f, 0.95f, "Use 'W' and 'S' to change target FPS", false, 0.0};
}

namespace {

// A side whose rule is not the one it starts with says which rule it runs,
// and display-locked says so when it has no refresh timing to lock to.
void PrintRuleIfChanged(float x, PaceRule rule, PaceRule usual) {
    if (rule == kRuleDisplayLocked && RefreshSlotAt(frameSeconds) == nullptr) {
        overlayFont.Print(x, 0.81f, "Rule: %s (no refresh timing: scheduled)", PaceRuleName(rule));
    } else if (rule != usual) {
        overlayFont.Print(x, 0.81f, "Rule: %s", PaceRuleName(rule));
    }
}

// Over the rule's line, a side that does not move by the CPU's clock says how
// it moves, and what it fell back to.
void PrintMotionIfChanged(float x, int side) {
    const char* text = LiveMotionText(side);
    if (text != nullptr)
        overlayFont.Print(x, 0.78f, "%s", text);
}

bool Render() {
    glPushMatrix();
    PaceFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(0.0f, 0.1f, 0.0f);
    DrawRotor(leftPacer, -2.0f, 0.0f, true);
    // The left rotor's binding is still in force.
    DrawRotor(rightPacer, 0.0f, 2.0f, false);
    glPopMatrix();

    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    glVertex3f(0.0f, -5.0f, 2.0f);
    glVertex3f(0.0f, 5.0f, 2.0f);
    glEnd();

    overlayFont.SetScale(1.0f, 1.25f);
    OverlayLine lines[kOverlayLineCount];
    GetOverlayLines(lines);
    // The formats come from the constant table above, never from outside.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    for (const OverlayLine& line : lines) {
        if (line.hasValue) {
            overlayFont.Print(line.x, line.y, line.format, line.value);
        } else {
            overlayFont.Print(line.x, line.y, line.format);
        }
    }
#pragma GCC diagnostic pop
    PrintRuleIfChanged(0.15f, leftRule, kLeftStartRule);
    PrintRuleIfChanged(0.67f, rightRule, kRightStartRule);
    PrintMotionIfChanged(0.15f, 0);
    PrintMotionIfChanged(0.67f, 1);
    if (panelShown) {
        const char* vsync = !vsyncAsked  ? "vsync off"
                            : vsyncTaken ? "vsync on (taken by the driver)"
                                         : "vsync asked, not taken by the driver";
        const CadencePanelView view = {&liveCadence,
                                       &liveDisplay,
                                       HostDisplayTimesSource(),
                                       {&leftPacer, &rightPacer},
                                       {leftRule, rightRule},
                                       vsync,
                                       LiveLimitText(),
                                       &liveLimiter,
                                       LiveCpuPercent(),
                                       frameSeconds};
        DrawCadencePanel(view, overlayFont);
    } else if (liveLimiter.setting.kind != LimitKind::kOff) {
        // Where the panel says it, in the overlay's own text.
        overlayFont.Print(kLimitTextX, kLimitTextY, "%s", LiveLimitText());
    }
    return true;
}

void Shutdown() {
    surfaceTexture.Delete();
}

void KeyDown(uint32_t key) {
    NoteKeyPress();
    switch (key) {
    case kKeyNextLeftRule: leftRule = NextPaceRule(leftRule); break;
    case kKeyNextRightRule: rightRule = NextPaceRule(rightRule); break;
    case kKeyPanel: panelShown = !panelShown; break;
    case kKeyVsync: HostSetVsync(!vsyncAsked); break;
    case kKeyLimit: NextLiveLimit(); break;
    case kKeyNextLeftMotion: NextLiveMotion(0); break;
    case kKeyNextRightMotion: NextLiveMotion(1); break;
    default: break;
    }
}

// The target keys are timed as input too, as every key is.
void RaiseLeft() {
    NoteKeyPress();
    RaiseLeftTarget();
}
void LowerLeft() {
    NoteKeyPress();
    LowerLeftTarget();
}
void RaiseRight() {
    NoteKeyPress();
    RaiseRightTarget();
}
void LowerRight() {
    NoteKeyPress();
    LowerRightTarget();
}

}  // namespace

const AppCallbacks& DemoCallbacks() {
    static const AppCallbacks callbacks = {
        PreInit,   GetWindowTitle, Init,       Render,  Shutdown,       GetStatusText,
        RaiseLeft, LowerLeft,      RaiseRight, LowerRight, KeyDown,     ReleaseContext,
        BeginFrame, EndFrame,
    };
    return callbacks;
}
