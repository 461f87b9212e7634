// Smashing an egg: the click handlers of the nine eggs, the draw routine, and the spin
// that brings the prize picture into view.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace zorvel::app::egg_draw {

// The click on egg 1 … 9: the egg shows the smash picture for the whole draw, then its
// own rest picture again.
void EggClicked(int egg);
template <int Egg>
void EggClicked() {
  static_assert(Egg >= 1 && Egg <= 9);
  EggClicked(Egg);
}
// Puts egg 1 … 9's rest picture on it.
void ShowRestPicture(int egg);

// The draw routine: sound, a closed effect window, a fresh seed, the pool, the ticket,
// the prize picture, the win counted in the ledger before anything of the prize shows,
// the spin, the close label, and the celebration effect unless it is switched off. The
// egg clicked (0 for none) goes into the draw record.
void DrawPrize(int egg = 0);

// The spin: the prize picture grows from the centre of the window towards its top-left
// corner, turning almost a full circle, then the prize display shows it.
void SpinPrize();

// Test hooks. Each spin frame stays on screen at least this long (40 ms; zero turns the
// pacing off), so that the guest sees the spin on any machine.
void SetSpinFramePacing(std::chrono::milliseconds minimum);
// Called after every frame shown, with its number (1, 2, …), while the frame's object
// is on the stage.
void SetSpinFrameObserver(std::function<void(int frame)> observer);
// How long the celebration effect stays (4000 ms).
void SetEffectDuration(int milliseconds);
// Whether the celebration effect is shown whatever the settings say (none: the settings
// decide).
void SetEffectsShown(std::optional<bool> shown);
// Puts the four back.
void ResetTestHooks();

}  // namespace zorvel::app::egg_draw
