// How the program's heap treats the large buffers of a draw.
#pragma once

namespace zorvel::app {

// A draw moves pictures of several megabytes (the full-screen prize picture is handed
// from the canvas to the spin as bitmap bytes and decoded again). Buffers of that size
// are kept in the heap from one draw to the next instead of being returned to the
// system and faulted in afresh, which costs tens of milliseconds between the click and
// the first frame of the spin. Called once, before the first window loads.
void KeepLargeBuffersBetweenDraws();

}  // namespace zorvel::app
