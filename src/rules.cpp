#include "rules.h"

#include "display.h"

void redraw_player(const board_state& board, board_rects& rects)
{
    rects.sprite_rect.x = static_cast<Sint16>(board.player_x);
    rects.sprite_rect.y = static_cast<Sint16>(board.player_y);
    SDL_FillRect(screen, &rects.erase_rect, background_colour());
    SDL_BlitSurface(typ, nullptr, screen, &rects.sprite_rect);
    SDL_Flip(screen);
}
