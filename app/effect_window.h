// The celebration effect window: fireworks over the whole screen, played through the
// movie host with black see-through.
#pragma once

namespace zorvel::app::effect_window {

// Created: covers the screen and starts one of the three fireworks movies, chosen at
// random, in the window.
void Created();

// The movie the last effect chose (1 to 3; 0 before any).
int LastMovie();

}  // namespace zorvel::app::effect_window
