/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: LGPL-2.1-or-later */

/*
    SDL 1.2's display, keyboard and timer in a web page, for Emscripten.

    The screen is a surface in memory of the depth that the program asks
    for; each update blits what has changed in it (SDL's own conversion)
    into a 32-bit RGBA copy that goes onto the page's canvas, and then waits
    for the browser's next animation frame, or for the next refresh when
    nothing changed. SDL_Delay sleeps through the browser's timers. These
    waits need Emscripten's ASYNCIFY: the program's loop runs as it would on
    a desktop, and the page gets its turn while it flips or sleeps. SDL's
    core calls the driver's WEB_Updated, WEB_Pumped and WEB_Drawn directly
    (sdl-web.patch), so that ASYNCIFY need only follow direct calls, and the
    driver knows where the program drew: only there can an update differ
    from what the canvas shows (the program draws with SDL's fills and
    blits, never into the screen's pixels itself).

    Keys come from the page's keydown and keyup events (auto-repeats left
    out, as SDL's X11 driver does) and from the page's own controls (its
    touch buttons and pads, through web_control), queued and posted when
    SDL pumps its events. Full screen is the page's own, toggled by the browser's
    Fullscreen API, which allows it only shortly after a key press or a
    tap.

    This file is under the GNU Lesser General Public License 2.1 or later,
    as SDL 1.2 is.
*/
#include "SDL_config.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include "SDL_video.h"
#include "SDL_sysvideo.h"
#include "SDL_events_c.h"
#include "SDL_timer.h"

/* Drivers name the device "this". */
#undef _THIS
#define _THIS SDL_VideoDevice *this

#define WEB_DRIVER_NAME "web"

struct SDL_PrivateVideoData {
	void *pixels;           /* the screen's, in the program's depth */
	Uint8 *shown;           /* the screen's pixels as the canvas last got them */
	int again;              /* the canvas gets the whole screen at the next update */
	int put;                /* the last update put something on the canvas */
	SDL_Surface *canvas;    /* the canvas's copy: bytes R, G, B, A */
};

/* Key events between two pumps; more than a frame's worth are dropped. */
static struct {
	SDLKey sym;
	Uint8 state;
} key_queue[64];
static int key_count;

/* Where the program has drawn on the screen since the last update: only
   there can its pixels differ from what the canvas got. Past a few
   rectangles, anywhere. */
static SDL_Rect drawn[8];
static int drawn_count, drawn_anywhere = 1;
static double last_yield, start_ticks;

/* The browser gets its turn here: a yield of ASYNCIFY's, woken as
   emscripten_sleep wakes, so that the runtime is kept alive meanwhile and
   the program's end, when it comes after the wait, ends it. */
EM_JS(void, web_next_animation_frame, (), {
	Asyncify.handleSleep(function(wakeUp) {
		runtimeKeepalivePush();
		requestAnimationFrame(function() {
			runtimeKeepalivePop();
			callUserCallback(wakeUp);
		});
	});
});

/* The same, for a frame that changed nothing on the canvas: woken when the
   display's next refresh is due, on a timeline of refreshes at 60 a second,
   by a timer. Asking the browser for an animation frame keeps it painting
   at the display's rate, which costs a page that shows nothing new more
   than its game does; a hidden page still waits for one, so that it pauses
   as a page does whose frames stop. */
EM_JS(void, web_next_refresh, (), {
	Asyncify.handleSleep(function(wakeUp) {
		runtimeKeepalivePush();
		var wake = function() {
			runtimeKeepalivePop();
			callUserCallback(wakeUp);
		};
		var period = 1000 / 60;
		if (document.hidden)
			requestAnimationFrame(wake);
		else
			setTimeout(wake, period - performance.now() % period);
	});
});

static void yielded(void)
{
	last_yield = emscripten_get_now();
}

/* Timer */

void SDL_StartTicks(void)
{
	start_ticks = emscripten_get_now();
}

Uint32 SDL_GetTicks(void)
{
	return (Uint32)(emscripten_get_now() - start_ticks);
}

void SDL_Delay(Uint32 ms)
{
	emscripten_sleep(ms);
	yielded();
}

/* Keyboard: the page's legacy key codes, which name the key rather than
   the character it types, as SDL 1.2's key symbols do. */

static SDLKey key_symbol(unsigned long code)
{
	if (code >= 'A' && code <= 'Z')
		return (SDLKey)(SDLK_a + (code - 'A'));
	if (code >= '0' && code <= '9')
		return (SDLKey)(SDLK_0 + (code - '0'));
	if (code >= 112 && code <= 126)
		return (SDLKey)(SDLK_F1 + (code - 112));
	switch (code) {
	case 8: return SDLK_BACKSPACE;
	case 9: return SDLK_TAB;
	case 13: return SDLK_RETURN;
	case 16: return SDLK_LSHIFT;
	case 17: return SDLK_LCTRL;
	case 18: return SDLK_LALT;
	case 19: return SDLK_PAUSE;
	case 27: return SDLK_ESCAPE;
	case 32: return SDLK_SPACE;
	case 33: return SDLK_PAGEUP;
	case 34: return SDLK_PAGEDOWN;
	case 35: return SDLK_END;
	case 36: return SDLK_HOME;
	case 37: return SDLK_LEFT;
	case 38: return SDLK_UP;
	case 39: return SDLK_RIGHT;
	case 40: return SDLK_DOWN;
	case 45: return SDLK_INSERT;
	case 46: return SDLK_DELETE;
	default: return SDLK_UNKNOWN;
	}
}

static void queue_key(SDLKey sym, Uint8 state)
{
	if (key_count < (int)SDL_arraysize(key_queue)) {
		key_queue[key_count].sym = sym;
		key_queue[key_count].state = state;
		++key_count;
	}
}

/* How many hold each key down: the keyboard, and each of the page's
   controls and pads. A key is pressed when the first takes it and released
   when the last lets go: held on a pad and on the keyboard, or on two pads,
   it is held till both let go, as a key held by two fingers is. */
static Uint8 holders[SDLK_LAST];
static Uint8 on_keyboard[SDLK_LAST];

static void hold(SDLKey sym, int down)
{
	if (down ? holders[sym]++ == 0 : holders[sym] > 0 && --holders[sym] == 0)
		queue_key(sym, down ? SDL_PRESSED : SDL_RELEASED);
}

/* The page's own controls (its touch buttons, its pads) hold and let go of
   keys by their key codes, through the keyboard's queue. */
EMSCRIPTEN_KEEPALIVE void web_control(int key_code, int down)
{
	const SDLKey sym = key_symbol(key_code);
	if (sym != SDLK_UNKNOWN)
		hold(sym, down);
}

static void keyboard(SDLKey sym, int down)
{
	if (on_keyboard[sym] != down) {
		on_keyboard[sym] = (Uint8)down;
		hold(sym, down);
	}
}

static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *event, void *unused)
{
	const SDLKey sym = key_symbol(event->keyCode);
	if (sym == SDLK_UNKNOWN)
		return EM_FALSE;
	/* A held key's repeats would change nothing (SDL ignores a press of a
	   key that is down), but while the page's frames are held (a hidden
	   tab) they would fill the queue, and its release be lost. */
	if (!event->repeat)
		keyboard(sym, type == EMSCRIPTEN_EVENT_KEYDOWN);
	/* The game's keys do not scroll the page; the browser's own shortcuts
	   (function keys, and with Ctrl, Alt or Meta) stay the browser's. */
	return !(sym >= SDLK_F1 && sym <= SDLK_F15) &&
	       !event->ctrlKey && !event->altKey && !event->metaKey;
}

static EM_BOOL on_visibility(int type, const EmscriptenVisibilityChangeEvent *event, void *data)
{
	SDL_VideoDevice *device = (SDL_VideoDevice *)data;
	if (!event->hidden)
		device->hidden->again = 1;
	return EM_FALSE;
}

/* Keys released while the page had no focus never send their keyup: the
   keyboard lets go of every key as the page loses it. */
static EM_BOOL on_blur(int type, const EmscriptenFocusEvent *event, void *unused)
{
	int sym;
	for (sym = 0; sym < SDLK_LAST; ++sym)
		keyboard((SDLKey)sym, 0);
	return EM_FALSE;
}

static void WEB_InitOSKeymap(_THIS)
{
	emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_key);
	emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_key);
	emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_blur);
	emscripten_set_visibilitychange_callback(this, EM_TRUE, on_visibility);
}

/* A program that pumps its events without ever flipping still lets the
   page live. */
void WEB_Pumped(void)
{
	if (emscripten_get_now() - last_yield > 100) {
		emscripten_sleep(0);
		yielded();
	}
}

static void WEB_PumpEvents(_THIS)
{
	int i;
	for (i = 0; i < key_count; ++i) {
		SDL_keysym keysym;
		SDL_memset(&keysym, 0, sizeof keysym);
		keysym.sym = key_queue[i].sym;
		SDL_PrivateKeyboard(key_queue[i].state, &keysym);
	}
	key_count = 0;
}

/* Video */

static int WEB_VideoInit(_THIS, SDL_PixelFormat *vformat)
{
	vformat->BitsPerPixel = 32;
	vformat->BytesPerPixel = 4;
	vformat->Rmask = 0x000000FF;
	vformat->Gmask = 0x0000FF00;
	vformat->Bmask = 0x00FF0000;
	return 0;
}

static SDL_Rect **WEB_ListModes(_THIS, SDL_PixelFormat *format, Uint32 flags)
{
	return (SDL_Rect **)-1;  /* any size: the page scales the canvas */
}

static void free_screen(_THIS)
{
	SDL_FreeSurface(this->hidden->canvas);
	this->hidden->canvas = NULL;
	SDL_free(this->hidden->pixels);
	this->hidden->pixels = NULL;
	SDL_free(this->hidden->shown);
	this->hidden->shown = NULL;
}

static SDL_Surface *WEB_SetVideoMode(_THIS, SDL_Surface *current, int width, int height, int bpp, Uint32 flags)
{
	free_screen(this);
	this->hidden->pixels = SDL_malloc(width * height * ((bpp + 7) / 8));
	this->hidden->shown = SDL_malloc(width * height * ((bpp + 7) / 8));
	this->hidden->again = 1;
	this->hidden->canvas = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32,
	                                            0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
	if (!this->hidden->pixels || !this->hidden->shown || !this->hidden->canvas) {
		free_screen(this);
		SDL_OutOfMemory();
		return NULL;
	}
	SDL_FillRect(this->hidden->canvas, NULL, 0xFF000000);
	SDL_memset(this->hidden->pixels, 0, width * height * ((bpp + 7) / 8));
	if (!SDL_ReallocFormat(current, bpp, 0, 0, 0, 0)) {
		free_screen(this);
		return NULL;
	}
	/* A page starts in its window; the player asks for full screen. */
	current->flags = 0;
	current->w = width;
	current->h = height;
	current->pitch = width * ((bpp + 7) / 8);
	current->pixels = this->hidden->pixels;
	emscripten_set_canvas_element_size("#canvas", width, height);
	return current;
}

static int WEB_SetColors(_THIS, int firstcolor, int ncolors, SDL_Color *colors)
{
	this->hidden->again = 1;  /* every pixel may look otherwise */
	return 1;  /* the palette is read by each update's conversion */
}

/* The screen is in memory: no hardware surfaces, no locking. */
static int WEB_AllocHWSurface(_THIS, SDL_Surface *surface) { return -1; }
static void WEB_FreeHWSurface(_THIS, SDL_Surface *surface) { }
static int WEB_LockHWSurface(_THIS, SDL_Surface *surface) { return 0; }
static void WEB_UnlockHWSurface(_THIS, SDL_Surface *surface) { }

/* Whether a rectangle's pixels differ from those the canvas last got; if
   they do, they are what it gets now. Eight bytes at a time: the C
   library's memcmp goes byte by byte. */
static int changed(_THIS, const SDL_Rect *rect)
{
	const int bpp = this->screen->format->BytesPerPixel, pitch = this->screen->pitch;
	const size_t length = (size_t)rect->w * bpp;
	int y, differs = this->hidden->again;
	for (y = rect->y; y < rect->y + rect->h; ++y) {
		const size_t at = (size_t)y * pitch + (size_t)rect->x * bpp;
		const Uint8 *now = (const Uint8 *)this->screen->pixels + at;
		Uint8 *then = this->hidden->shown + at;
		size_t i = 0;
		Uint64 a, b;
		for (; i + 8 <= length; i += 8) {
			SDL_memcpy(&a, now + i, 8);
			SDL_memcpy(&b, then + i, 8);
			if (a != b)
				break;
		}
		for (; i < length && now[i] == then[i]; ++i) {
		}
		if (i < length) {
			SDL_memcpy(then, now, length);
			differs = 1;
		}
	}
	return differs;
}

void WEB_Drawn(const SDL_Rect *rect)
{
	if (drawn_count < (int)SDL_arraysize(drawn))
		drawn[drawn_count++] = *rect;
	else
		drawn_anywhere = 1;
}

/* The part of a that b covers, if any. */
static int overlap(const SDL_Rect *a, const SDL_Rect *b, SDL_Rect *part)
{
	const int left = SDL_max(a->x, b->x), top = SDL_max(a->y, b->y);
	const int right = SDL_min(a->x + a->w, b->x + b->w), bottom = SDL_min(a->y + a->h, b->y + b->h);
	part->x = left;
	part->y = top;
	part->w = right > left ? right - left : 0;
	part->h = bottom > top ? bottom - top : 0;
	return part->w && part->h;
}

/* The rectangle on the canvas, if its pixels differ from those it got. */
static void put(_THIS, SDL_Rect *rect)
{
	SDL_Surface *canvas = this->hidden->canvas;
	SDL_Rect from = *rect, to = *rect;
	if (!changed(this, rect))
		return;
	this->hidden->put = 1;
	SDL_LowerBlit(this->screen, &from, canvas, &to);
	EM_ASM({
		var canvas = document.getElementById('canvas');
		var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
		canvas.getContext('2d').putImageData(new ImageData(pixels, $1, $2), 0, 0, $3, $4, $5, $6);
	}, canvas->pixels, canvas->w, canvas->h, rect->x, rect->y, rect->w, rect->h);
}

/* A canvas keeps its picture, so a rectangle whose pixels the canvas has
   already got is not put on it again: a program that flips in a loop
   without drawing anything new only waits for the browser. Only where the
   program drew is compared. A page shown again after it was hidden gets
   the whole screen, should the browser have let the canvas go meanwhile. */
static void WEB_UpdateRects(_THIS, int numrects, SDL_Rect *rects)
{
	int i, j;
	SDL_Rect part;
	this->hidden->put = 0;
	if (!this->hidden->canvas)
		return;
	for (i = 0; i < numrects; ++i) {
		if (this->hidden->again || drawn_anywhere)
			put(this, &rects[i]);
		else
			for (j = 0; j < drawn_count; ++j)
				if (overlap(&rects[i], &drawn[j], &part))
					put(this, &part);
	}
	this->hidden->again = 0;
	drawn_count = 0;
	drawn_anywhere = 0;
}

/* After each update: the animation frame that paints what was put on the
   canvas, or the next refresh. */
void WEB_Updated(void)
{
	if (current_video && current_video->hidden && current_video->hidden->put)
		web_next_animation_frame();
	else
		web_next_refresh();
	yielded();
}

/* Toggles what the page shows, whatever SDL believes: the player may have
   left full screen with the browser's own key. */
static int WEB_ToggleFullScreen(_THIS, int on)
{
	EM_ASM({
		if (document.fullscreenElement)
			document.exitFullscreen().catch(function() {});
		else
			document.documentElement.requestFullscreen().catch(function() {
				if (Module.fullScreenRefused)
					Module.fullScreenRefused();
			});
	});
	return 1;
}

/* The program's title is the page's. */
static void WEB_SetCaption(_THIS, const char *title, const char *icon)
{
	EM_ASM({ document.title = UTF8ToString($0); }, title);
}

/* SDL_WM_SetCaption also names the sound stream; there is no sound here. */
void SDL_Audio_SetCaption(const char *caption)
{
}

static void WEB_VideoQuit(_THIS)
{
	free_screen(this);
	this->screen->pixels = NULL;
}

/* The driver */

static int WEB_Available(void)
{
	return 1;
}

static void WEB_DeleteDevice(SDL_VideoDevice *device)
{
	SDL_free(device->hidden);
	SDL_free(device);
}

static SDL_VideoDevice *WEB_CreateDevice(int devindex)
{
	SDL_VideoDevice *device = (SDL_VideoDevice *)SDL_calloc(1, sizeof *device);
	if (device)
		device->hidden = (struct SDL_PrivateVideoData *)SDL_calloc(1, sizeof *device->hidden);
	if (!device || !device->hidden) {
		SDL_free(device);
		SDL_OutOfMemory();
		return NULL;
	}
	device->VideoInit = WEB_VideoInit;
	device->ListModes = WEB_ListModes;
	device->SetVideoMode = WEB_SetVideoMode;
	device->ToggleFullScreen = WEB_ToggleFullScreen;
	device->SetColors = WEB_SetColors;
	device->UpdateRects = WEB_UpdateRects;
	device->SetCaption = WEB_SetCaption;
	device->VideoQuit = WEB_VideoQuit;
	device->AllocHWSurface = WEB_AllocHWSurface;
	device->LockHWSurface = WEB_LockHWSurface;
	device->UnlockHWSurface = WEB_UnlockHWSurface;
	device->FreeHWSurface = WEB_FreeHWSurface;
	device->InitOSKeymap = WEB_InitOSKeymap;
	device->PumpEvents = WEB_PumpEvents;
	device->free = WEB_DeleteDevice;
	return device;
}

VideoBootStrap WEB_bootstrap = {
	WEB_DRIVER_NAME, "SDL web page video driver",
	WEB_Available, WEB_CreateDevice
};
