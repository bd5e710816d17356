// The part of SDL2_image's interface the SDL backend uses, for the browser build: images are decoded
// and PNG screenshots encoded with Debian's stb single-file coders (platform/web/StbCodecs.cpp).
// PNG, BMP, JPEG, TGA and GIF decode; TIFF does not (the loader then reports the file as unreadable).
#pragma once

#include <SDL2/SDL.h>

#define IMG_INIT_JPG 0x00000001
#define IMG_INIT_PNG 0x00000002
#define IMG_INIT_TIF 0x00000004

extern "C" {
int IMG_Init(int flags);
// A 32-bit RGBA surface, or null (SDL_GetError tells why). Frees `src` when `freesrc` is set.
SDL_Surface* IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, const char* type);
SDL_Surface* IMG_Load(const char* file);
// Writes `surface` as PNG to `dst`; 0 on success.
int IMG_SavePNG_RW(SDL_Surface* surface, SDL_RWops* dst, int freedst);
}
