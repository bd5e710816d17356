// Access to the SDL objects behind a platform made by plat::sdl::createPlatform, for the editor's
// tool windows (Dear ImGui on the same window and renderer). Only that window code includes this.
//
// Every function accepts any plat::Platform and does nothing (or returns null/false) when it was not
// made by the SDL backend.
#pragma once

#include "platform/Platform.h"

#include <SDL2/SDL.h>
#include <functional>
#include <string>

namespace plat::sdl {

// The window and renderer of the open screen; null while no screen is open.
SDL_Window* window(plat::Platform& platform);
SDL_Renderer* renderer(plat::Platform& platform);

// Called for every SDL event the backend takes from the queue (examine calls and flip pump the
// queue), before the backend handles it itself. An empty function removes the hook.
void setEventHook(plat::Platform& platform, std::function<void(const SDL_Event&)> hook);

// Called in flip after the frame has been copied to the window and just before it is presented;
// the render target is the window then, so anything drawn appears on top of the frame.
void setPresentHook(plat::Platform& platform, std::function<void()> hook);

// Called from the event hook for a button press (1 left, 2 right, 3 middle) that the hook's own
// windows take: the input does not remember it as a press for the next mouse examination (a press
// released before that examination otherwise still counts once).
void pressNotForInput(plat::Platform& platform, int button);

// Takes all pending events now (as the examine calls do).
void pumpEvents(plat::Platform& platform);

// Whether the last pump took at least one event.
bool eventsInLastPump(plat::Platform& platform);

// Whether any pump took an event since the previous call of this function; clears the flag.
bool takeEventsArrived(plat::Platform& platform);

// Decodes an image file into a new surface (the caller frees it), or null. The file is read and its
// declared size checked first (plat::readImageFile): a picture over the size limit, a file in an
// unknown format or one that is no regular file is refused with a notice naming the file.
SDL_Surface* loadImageSurface(const std::string& path);

// The description of SDL's message box for a box with `buttons`: Yes (answer 1, the Return key)
// and No (answer 0, Escape), or a single OK (answer 1, both keys). The texts are referenced, not
// copied; the buttons are static.
SDL_MessageBoxData messageBoxData(const std::string& title, const std::string& text, plat::Buttons buttons,
                                  SDL_Window* parent);

// Maps an SDL scancode to a DirectInput scan code; 0 when the key has none.
int scanCodeOf(SDL_Scancode scancode);

} // namespace plat::sdl
