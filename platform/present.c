/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: MIT */

/* Which flips reach the display, and how long each waits: see present.h. */
#include "present.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

void present_start(struct presenter *p)
{
    memset(p, 0, sizeof *p);
    p->refresh = 1000.0 / 60; /* nearly every display's; a faster one gets idle frames at this rate */
    p->settling = 500;        /* a window mapped, resized or uncovered may take this long to be whole */
    p->repaint = 30000;
    p->rest = 1000;
    p->waits_for_events = 1;
    p->drawn_everywhere = 1;
}

void present_stop(struct presenter *p)
{
    free(p->shown);
    p->shown = NULL;
}

void present_drawn(struct presenter *p, const struct present_area *area)
{
    if (!area || p->drawn_count == present_most_areas)
        p->drawn_everywhere = 1;
    else if (area->w > 0 && area->h > 0)
        p->drawn[p->drawn_count++] = *area;
}

void present_disturbed(struct presenter *p, double now)
{
    p->settled_until = now + p->settling;
    p->disturbed = 1;
}

/* Whether two runs of bytes differ, eight at a time: the C libraries' memcmp goes byte by byte on some platforms. */
static int differ(const unsigned char *a, const unsigned char *b, size_t n)
{
    uint64_t x, y;
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        memcpy(&x, a, 8);
        memcpy(&y, b, 8);
        if (x != y)
            return 1;
    }
    for (; n > 0; --n)
        if (*a++ != *b++)
            return 1;
    return 0;
}

/* The part of the area on the screen; false if none. */
static int clipped(const struct presenter *p, struct present_area *a)
{
    if (a->x < 0)
        a->w += a->x, a->x = 0;
    if (a->y < 0)
        a->h += a->y, a->y = 0;
    if (a->x + a->w > p->width)
        a->w = p->width - a->x;
    if (a->y + a->h > p->height)
        a->h = p->height - a->y;
    return a->w > 0 && a->h > 0;
}

/* Whether the area's pixels differ from those the display was given; if so, the copy takes its rows that do. */
static int compared(struct presenter *p, const unsigned char *pixels, const struct present_area *a)
{
    const size_t length = (size_t)a->w * p->bytes_per_pixel;
    int y, differs = 0;
    for (y = a->y; y < a->y + a->h; ++y) {
        const size_t at = (size_t)y * p->pitch + (size_t)a->x * p->bytes_per_pixel;
        if (differ(p->shown + at, pixels + at, length)) {
            memcpy(p->shown + at, pixels + at, length);
            differs = 1;
        }
    }
    return differs;
}

/* A new screen, or its first flip: the copy made anew, the display given all of it. */
static int copied(struct presenter *p, const void *pixels, int width, int height, int pitch, int bytes_per_pixel)
{
    const size_t bytes = (size_t)pitch * height;
    free(p->shown);
    p->shown = (unsigned char *)malloc(bytes);
    p->shown_from = pixels;
    p->width = width, p->height = height, p->pitch = pitch, p->bytes_per_pixel = bytes_per_pixel;
    if (p->shown)
        memcpy(p->shown, pixels, bytes);
    return p->shown != NULL;
}

enum present_verdict present_judge(struct presenter *p, const void *pixels, int width, int height, int pitch,
                                   int bytes_per_pixel, double now)
{
    const struct present_area screen = {0, 0, width, height};
    enum present_verdict verdict = present_same;
    int i;
    p->given_count = 0;
    if (!p->started) {
        p->started = 1;
        p->timeline = now;
        present_disturbed(p, now);
    }
    if (!p->shown || p->shown_from != pixels || p->width != width || p->height != height || p->pitch != pitch ||
        p->bytes_per_pixel != bytes_per_pixel) {
        /* Without memory for a copy, every flip is a change. */
        if (copied(p, pixels, width, height, pitch, bytes_per_pixel))
            present_disturbed(p, now);
        verdict = present_changed;
    } else if (p->drawn_everywhere) {
        if (compared(p, (const unsigned char *)pixels, &screen))
            verdict = present_changed;
    } else {
        for (i = 0; i < p->drawn_count; ++i) {
            struct present_area a = p->drawn[i];
            if (clipped(p, &a) && compared(p, (const unsigned char *)pixels, &a)) {
                p->given[p->given_count++] = a;
                verdict = present_changed;
            }
        }
    }
    if (verdict == present_same &&
        (p->disturbed || now < p->settled_until || (p->repaint > 0 && now - p->shown_at >= p->repaint)))
        verdict = present_again;
    if (verdict != present_same)
        p->shown_at = now;
    if (verdict != present_same && p->given_count == 0)
        p->given[p->given_count++] = screen;
    p->drawn_count = 0;
    p->drawn_everywhere = 0;
    p->disturbed = 0;
    return verdict;
}

/* The first refresh on the timeline after now: flips at the refresh rate keep it however long each took. */
static double next_refresh(const struct presenter *p, double now)
{
    return p->timeline + (floor((now - p->timeline) / p->refresh) + 1) * p->refresh;
}

double present_wake(const struct presenter *p, enum present_verdict verdict, double now)
{
    double due;
    if (verdict == present_changed)
        return now;
    if ((verdict == present_again && now < p->settled_until) || !p->waits_for_events)
        return next_refresh(p, now);
    due = now + p->rest;
    if (p->repaint > 0 && p->shown_at + p->repaint < due)
        due = p->shown_at + p->repaint;
    return due > next_refresh(p, now) ? due : next_refresh(p, now);
}

double present_resume(const struct presenter *p, double now)
{
    return next_refresh(p, now);
}
