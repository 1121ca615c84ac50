// An offscreen window with an OpenGL 2.1 compatibility context, for tests
// that need real GL calls.
#pragma once

#include <cstdlib>

#include <SDL.h>
#include <gtest/gtest.h>

#include <GL/gl.h>

class GlTestContext {
public:
    GlTestContext(int width = 64, int height = 64) {
        // Without a display of our own, draw through EGL only.
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        videoUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!videoUp)
            return;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        window =
            SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
        if (context != nullptr) {
            SDL_GL_MakeCurrent(window, context);
            glViewport(0, 0, width, height);
        }
    }
    ~GlTestContext() {
        if (context != nullptr) {
            SDL_GL_MakeCurrent(window, nullptr);
            SDL_GL_DeleteContext(context);
        }
        if (window != nullptr)
            SDL_DestroyWindow(window);
        if (videoUp)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    GlTestContext(const GlTestContext&) = delete;
    GlTestContext& operator=(const GlTestContext&) = delete;

    bool Ready() const { return context != nullptr; }

    bool videoUp = false;
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

// A fixture whose tests run with a current context; they fail at once when
// none can be made.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.Ready()) << SDL_GetError(); }

    GlTestContext gl;
};
