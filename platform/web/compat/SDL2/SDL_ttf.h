// The part of SDL2_ttf's interface the SDL backend uses, for the browser build: glyphs are rendered
// with Debian's stb_truetype (platform/web/StbCodecs.cpp). Text is 8-bit (Latin-1), as the data's.
#pragma once

#include <SDL2/SDL.h>

extern "C" {
typedef struct TTF_Font TTF_Font;
int TTF_Init(void);
void TTF_Quit(void);
// `ptsize` is taken at 72 dots per inch: the font's em is that many pixels high.
TTF_Font* TTF_OpenFont(const char* file, int ptsize);
void TTF_CloseFont(TTF_Font* font);
int TTF_FontLineSkip(const TTF_Font* font);
// A 32-bit ARGB surface with the text in `fg`, its alpha from the glyphs' coverage.
SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg);
}
