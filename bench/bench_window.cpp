#include "bench_window.h"

#include <cstdio>

#include <SDL_opengl.h>

#include "host/app.h"

bool OpenBenchWindow(const char* who, int width, int height, SDL_Window** window,
                     SDL_GLContext* context) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: %s\n", who, SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    *window = SDL_CreateWindow(who, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    *context = *window != nullptr ? SDL_GL_CreateContext(*window) : nullptr;
    if (*context == nullptr) {
        std::fprintf(stderr, "%s: %s\n", who, SDL_GetError());
        SDL_Quit();
        return false;
    }
    SDL_GL_MakeCurrent(*window, *context);
    SDL_GL_SetSwapInterval(0);
    glViewport(0, 0, width, height);
    clientWidth = width;
    clientHeight = height;
    return true;
}

void CloseBenchWindow(SDL_Window* window, SDL_GLContext context) {
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
