// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "shell.h"

#include <cstdio>
#include <cstdlib>

#include "assets.h"
#include "display.h"

namespace {

constexpr int screen_width = 640;
constexpr int screen_height = 480;
constexpr int screen_bpp = 16;
constexpr int font_size = 60;
constexpr const char* font_file = "delusion.ttf";

struct picture {
    SDL_Surface** surface;
    const char* file;
    bool keyed_at_start_up;  // typ is keyed by draw_board, the outcome pictures when shown
};

constexpr picture pictures[] = {
    {&typ, "typ.bmp", false},
    {&punkt, "punkt.bmp", true},
    {&bombe, "bombe.bmp", true},
    {&monster, "monster.bmp", true},
    {&todbild, "tod.bmp", false},
    {&winbild, "win.bmp", false},
    {&monstertodbild, "monstertod.bmp", false},
};

// Start-up failures go to standard output and end the run with status 1.
[[noreturn]] void fail(const char* message, const char* detail)
{
    std::printf("%s%s\n", message, detail);
    std::exit(1);
}

void open_display()
{
    SDL_WM_SetCaption("Pellmor", "Pellmor");
    SDL_ShowCursor(SDL_DISABLE);
    screen = SDL_SetVideoMode(screen_width, screen_height, screen_bpp,
                              SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
    if (screen == nullptr)
        fail("Can't set video mode: ", SDL_GetError());
    SDL_FillRect(screen, nullptr, background_colour());
}

// Pictures loaded before a failing one are left to the process exit.
void load_pictures()
{
    for (const picture& p : pictures) {
        *p.surface = picture_may_load(p.file) ? SDL_LoadBMP(p.file) : nullptr;
        if (*p.surface == nullptr) {
            std::printf("Can't load typ of %s. %s\n", p.file, SDL_GetError());
            std::exit(1);
        }
        if (p.keyed_at_start_up)
            set_colour_key(*p.surface);
    }
}

// The score line renders with the font in every frame, so a font that did
// not open or cannot draw (or a font engine that did not start) stops the
// game here.
TTF_Font* open_font(SDL_Color colour, int total_points)
{
    TTF_Font* font = TTF_OpenFont(font_file, font_size);
    if (font == nullptr || !font_draws_score_lines(font, colour, total_points))
        fail("Can't load font delusion.ttf. ", TTF_GetError());
    return font;
}

// Drains the queue: a window close sets quit; the rest is read from the
// key state, but for F's presses, which are counted.
int pump_events(board_state& board)
{
    int f_presses = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            board.quit = 1;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_f)
            ++f_presses;
    }
    return f_presses;
}

}  // namespace

void start_up(score_style& style, int total_points)
{
    if (SDL_Init(SDL_INIT_VIDEO) == -1)
        fail("Can't init SDL:  ", SDL_GetError());
    TTF_Init();  // a failure shows when the font is opened
    std::atexit(SDL_Quit);
    open_display();
    load_pictures();
    style.text_colour = SDL_Color{255, 255, 0, 0};
    style.font = open_font(style.text_colour, total_points);
}

// One frame, top to bottom. Q and a window close only set quit: the frame
// still runs to its end.
frame_result run_frame(board_state& board, board_rects& rects, const score_style& style)
{
    const int f_presses = pump_events(board);
    rects.erase_rect.x = static_cast<Sint16>(board.player_x);
    rects.erase_rect.y = static_cast<Sint16>(board.player_y);

    const Uint8* keys = SDL_GetKeyState(nullptr);
    if (keys[SDLK_q])
        board.quit = 1;
    // Once per press of F, not in every frame in which it is held: idle
    // frames follow one another without pause. The presses come from the
    // key-down events, because SDL 1.2.15 shows every held key released
    // when a toggle moves the keyboard's focus, and held again when the
    // focus comes back: in the key state, a held F would press itself anew
    // after each toggle.
    for (int press = 0; press < f_presses; ++press)
        SDL_WM_ToggleFullScreen(screen);

    // The player's steps, then the figure redrawn and the screen flipped.
    move_player(board, keys, typ->w, typ->h);
    redraw_player(board, rects);

    // A bomb ends the frame before the score line.
    if (board.dead)
        return lose_round(board, rects, todbild);

    draw_score_line(board, style);

    // Capture before win: the player where this frame's steps ended, the
    // monsters where the frame before left them.
    if (player_caught(board))
        return lose_round(board, rects, monstertodbild);
    if (board.score == board.total_points)
        return win_game(rects);

    // The monsters answer a step of the player's, then the game pauses.
    move_monsters(board);
    return frame_result::next_frame;
}

void run_frames(board_state& board, board_rects& rects, const score_style& style)
{
    while (!board.quit) {
        const frame_result result = run_frame(board, rects, style);
        if (result == frame_result::finish)
            return;
        // The outcome has filled the screen with the background already.
        if (result == frame_result::new_round)
            draw_board(board, rects);
    }
}
