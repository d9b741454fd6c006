/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: LGPL-2.1-or-later */

/*
    SDL 1.2's display, keyboard and timer in a web page, for Emscripten.

    The screen is a surface in memory of the depth that the program asks
    for. Each update does as the presenter that every build shares says
    (SDL_presenter, platform/present.c, which SDL's core tells where the
    program draws): what has changed goes at once, blitted (SDL's own
    conversion) into a 32-bit RGBA copy that goes onto the page's canvas,
    and the update then waits for the browser's next animation frame, which
    paints it; the same pixels again go whole, and wait for the next
    refresh; an update of only what the canvas shows already gives it
    nothing, and waits for the page's next key, touch, pad, visibility or
    resize event, or the heartbeat: a page at rest sleeps. SDL_Delay sleeps
    through the browser's timers. These waits need Emscripten's ASYNCIFY:
    the program's loop runs as it would on a desktop, and the page gets its
    turn while it flips or sleeps. SDL's core calls the driver's
    WEB_Updated and WEB_Pumped directly (sdl-web.patch), so that ASYNCIFY
    need only follow direct calls.

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
	int verdict;            /* what the last update was (present.h) */
	SDL_Surface *canvas;    /* the canvas's copy: bytes R, G, B, A */
};

/* Key events between two pumps; more than a frame's worth are dropped. */
static struct {
	SDLKey sym;
	Uint8 state;
} key_queue[64];
static int key_count;

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

/* The same, for a frame that put nothing new on the canvas: woken by a
   timer after ms, or by the page's next event for the program (web_wake),
   whichever comes first. Asking the browser for an animation frame would
   keep it painting at the display's rate; a hidden page still waits for
   one, so that it pauses as a page does whose frames stop. */
EM_JS(void, web_rest, (double ms), {
	Asyncify.handleSleep(function(wakeUp) {
		runtimeKeepalivePush();
		var timer = 0;
		var wake = function() {
			if (Module.wakeGame !== wake)
				return;  /* woken already */
			Module.wakeGame = null;
			clearTimeout(timer);
			runtimeKeepalivePop();
			callUserCallback(wakeUp);
		};
		Module.wakeGame = wake;
		if (document.hidden)
			requestAnimationFrame(wake);
		else
			timer = setTimeout(wake, ms);
	});
});

/* An event for the program wakes it if it rests, after ms. */
EM_JS(void, web_wake_after, (double ms), {
	if (Module.wakeGame)
		setTimeout(Module.wakeGame, ms);
});

/* At the next refresh, as the presenter says: the events that come with
   this one are read with it. */
static void web_wake(void)
{
	web_wake_after(present_resume(&SDL_presenter, SDL_GetTicks()) - SDL_GetTicks());
}

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
	if (down ? holders[sym]++ == 0 : holders[sym] > 0 && --holders[sym] == 0) {
		queue_key(sym, down ? SDL_PRESSED : SDL_RELEASED);
		web_wake();
	}
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

/* A page shown again, or resized, gets the whole screen, should the
   browser have let the canvas go meanwhile. */
static EM_BOOL on_visibility(int type, const EmscriptenVisibilityChangeEvent *event, void *unused)
{
	if (!event->hidden) {
		present_disturbed(&SDL_presenter, SDL_GetTicks());
		web_wake();
	}
	return EM_FALSE;
}

static EM_BOOL on_resize(int type, const EmscriptenUiEvent *event, void *unused)
{
	present_disturbed(&SDL_presenter, SDL_GetTicks());
	web_wake();
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
	emscripten_set_visibilitychange_callback(NULL, EM_TRUE, on_visibility);
	emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_TRUE, on_resize);
}

/* The page gets its turn after ms since its last one. */
static void yield_after(double ms)
{
	if (emscripten_get_now() - last_yield > ms) {
		emscripten_sleep(0);
		yielded();
	}
}

/* A program that pumps its events without ever flipping still lets the
   page live. */
void WEB_Pumped(void)
{
	yield_after(100);
}

/* A program's start, before its first update, takes the page's turns in
   short pieces: the browser answers meanwhile, and keeps on painting. */
void WEB_Loading(void)
{
	yield_after(4);
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
	/* A canvas shows what it is given at once and keeps it: after the page
	   is shown again or resized, one whole update puts it right. */
	SDL_presenter.settling = 0;
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
}

static SDL_Surface *WEB_SetVideoMode(_THIS, SDL_Surface *current, int width, int height, int bpp, Uint32 flags)
{
	free_screen(this);
	this->hidden->pixels = SDL_malloc(width * height * ((bpp + 7) / 8));
	this->hidden->canvas = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32,
	                                            0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
	if (!this->hidden->pixels || !this->hidden->canvas) {
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
	present_disturbed(&SDL_presenter, SDL_GetTicks());  /* every pixel may look otherwise */
	return 1;  /* the palette is read by each update's conversion */
}

/* The screen is in memory: no hardware surfaces, no locking. */
static int WEB_AllocHWSurface(_THIS, SDL_Surface *surface) { return -1; }
static void WEB_FreeHWSurface(_THIS, SDL_Surface *surface) { }
static int WEB_LockHWSurface(_THIS, SDL_Surface *surface) { return 0; }
static void WEB_UnlockHWSurface(_THIS, SDL_Surface *surface) { }

/* The area's pixels onto the canvas. */
static void put(_THIS, const struct present_area *area)
{
	SDL_Surface *canvas = this->hidden->canvas;
	SDL_Rect from, to;
	from.x = to.x = area->x;
	from.y = to.y = area->y;
	from.w = to.w = area->w;
	from.h = to.h = area->h;
	SDL_LowerBlit(this->screen, &from, canvas, &to);
	EM_ASM({
		var canvas = document.getElementById('canvas');
		var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
		canvas.getContext('2d').putImageData(new ImageData(pixels, $1, $2), 0, 0, $3, $4, $5, $6);
	}, canvas->pixels, canvas->w, canvas->h, area->x, area->y, area->w, area->h);
}

/* A canvas keeps its picture: only what the presenter gives goes onto it. */
static void WEB_UpdateRects(_THIS, int numrects, SDL_Rect *rects)
{
	SDL_Surface *screen = this->screen;
	int i;
	this->hidden->verdict = present_same;
	if (!this->hidden->canvas)
		return;
	this->hidden->verdict = present_judge(&SDL_presenter, screen->pixels, screen->w, screen->h, screen->pitch,
	                                      screen->format->BytesPerPixel, SDL_GetTicks());
	for (i = 0; this->hidden->verdict != present_same && i < SDL_presenter.given_count; ++i)
		put(this, &SDL_presenter.given[i]);
}

/* After each update: the animation frame that paints what was put on the
   canvas, or the rest that the presenter says. */
void WEB_Updated(void)
{
	const int verdict = current_video && current_video->hidden ? current_video->hidden->verdict : present_changed;
	if (verdict == present_changed)
		web_next_animation_frame();
	else
		web_rest(present_wake(&SDL_presenter, verdict, SDL_GetTicks()) - SDL_GetTicks());
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
