// EventScript: a script of input for the viewer core, as a user would give it on a window:
// items separated by ';', each giving one or more events.
//
//   key NAME...              keys pressed in turn (the names keyCodeOf takes)
//   press BUTTON X,Y         a pointer button pressed or released at X,Y (left, middle, right)
//   release BUTTON X,Y
//   move X,Y                 the pointer moved to X,Y (with any buttons held)
//   drag [BUTTON] X,Y X,Y... pressed at the first point, moved through the rest, released at the
//                            last; BUTTON is left unless given
//   click [BUTTON] X,Y       pressed and released
//   double-click X,Y         the left button clicked twice, quickly
//   scroll N [at X,Y]        N wheel steps, positive away from the user; at the window's middle
//                            unless given
//   resize WxH               the window resized
//   wait SECONDS             time passes
//
// Points are pixels from the window's top left corner. An item may start with modifier keys
// held, joined to it with '+': "shift+drag 10,10 60,10", "ctrl+scroll 2 at 300,200".
#pragma once

#include "session/Event.h"

#include <string>
#include <vector>

namespace kalderino {

// The events of each item of script, in order, with times a second apart (a double click's two
// clicks a tenth of a second apart), the middle of a width x height window where a scroll gives
// no point. Returns false with a one-line reason in error.
bool readEventScript(const std::string& script, int width, int height,
                     std::vector<std::vector<Event>>& items, std::string& error);

}  // namespace kalderino
