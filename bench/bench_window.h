// A window for the GL benchmarks, asked for as the program asks for its own:
// RGB 8-8-8, a depth buffer, double buffered, no wait for the display.
#pragma once

#include <SDL.h>

// SDL initialised, the window open with its context current and the viewport
// and the host's client size set to it; on failure a message on standard
// error (prefixed with who) and false.
bool OpenBenchWindow(const char* who, int width, int height, SDL_Window** window,
                     SDL_GLContext* context);
void CloseBenchWindow(SDL_Window* window, SDL_GLContext context);
