/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: MIT */

/* Which of a program's flips reach the display, and how long each waits:
   what every platform's layer below the game shares (the Linux build's
   linux/presenting.cpp, the Windows build's SDL driver, the page's). The
   game flips in every frame, and its idle frames draw the same pixels
   again and again; a display that is handed them costs a good part of a
   core, and a program that wakes for them keeps the processor from its
   sleep. So each platform notes where the program draws on the screen;
   at each flip the presenter compares those areas with what the display
   was last given, keeps a copy of what it gives it, and says what the flip
   is: changed, to the display at once; again, the same pixels, which the
   display may have lost (it was exposed, shown, resized or toggled, or
   has not been given a frame for a while), to the display on the
   refreshes' timeline; or the same, which it is not given, and which then
   waits for the program's next event, or the heartbeat. The platform
   presents, waits and tells of disturbances; the presenter decides.

   Times are milliseconds on any clock that only goes forward. */
#ifndef PELLMOR_PRESENT_H
#define PELLMOR_PRESENT_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

struct present_area {
    int x, y, w, h;
};

enum present_verdict {
    present_changed, /* pixels differ from the display's: to it at once */
    present_again,   /* the same pixels, to the display whole, on the refreshes' timeline */
    present_same     /* nothing new: not to the display; wait for an event */
};

enum { present_most_areas = 16 };

struct presenter {
    /* Set by the platform; present_start gives the usual values. */
    double refresh;       /* the display's refresh period */
    double settling;      /* after a disturbance, every flip goes again for this long (the first one at least) */
    double repaint;       /* the whole screen goes again when it has not for this long (0: never) */
    double rest;          /* an unchanged flip waits at most this long for an event */
    int waits_for_events; /* else an unchanged flip waits for the next refresh */

    /* The areas drawn since the last flip, or everywhere. */
    struct present_area drawn[present_most_areas];
    int drawn_count, drawn_everywhere;
    /* What the last flip gives the display: the areas whose pixels changed, or the whole screen. */
    struct present_area given[present_most_areas];
    int given_count;

    /* The screen's pixels as the display was last given them, and their layout then. */
    unsigned char *shown;
    const void *shown_from;
    int width, height, pitch, bytes_per_pixel;
    double shown_at, settled_until, timeline;
    int started, disturbed;
};

/* The usual settings, for a display that refreshes 60 times a second. */
void present_start(struct presenter *p);
/* Frees the copy of the screen. */
void present_stop(struct presenter *p);

/* The program drew on the screen, in area (clipped at the next flip), or everywhere if area is null. */
void present_drawn(struct presenter *p, const struct present_area *area);
/* The window was exposed, shown, activated, resized or toggled between full screen and a window, or its mode set:
   what it shows may be gone. */
void present_disturbed(struct presenter *p, double now);

/* What this flip of the screen's pixels is. If the display is given anything, given lists the areas, and the copy
   is now those pixels. */
enum present_verdict present_judge(struct presenter *p, const void *pixels, int width, int height, int pitch,
                                   int bytes_per_pixel, double now);
/* When the flip's wait ends at the latest: at once for a change (the platform's own flip may wait for the display),
   the next refresh on the timeline for a flip again, and for the same the heartbeat, unless an event comes first
   (or, where the platform cannot wait for events, the next refresh). */
double present_wake(const struct presenter *p, enum present_verdict verdict, double now);
/* When a wait that an event cut short ends: at the next refresh on the timeline, so that events that come together
   (a held key's repeat, its release and its press again) are read together, and events wake the program no more
   often than the display refreshes. */
double present_resume(const struct presenter *p, double now);

#ifdef __cplusplus
}
#endif

#endif
