// What the parts of the window core share among themselves and nobody else uses.
#pragma once

#include <cstdint>
#include <string_view>

#include "windows/windows.h"

namespace zorvel::forms {

// The live object of a unit of a loaded window, by unit id; null when it has none.
Unit* FindUnitObjectIn(LoadedWindow& w, std::uint32_t unitId);
// Shows a loaded window and gives the focus to its first unit.
void ShowWindow(LoadedWindow& w);
// The first show of a loaded window (also when the window unit's visible property is set):
// shows it when asked and, for a modal window, runs the modal loop.
void FirstShow(std::uint32_t windowId, bool show);
// Loads the mouse pointer of a byte set onto a widget.
void ApplyMousePointer(QWidget* widget, std::string_view bytes);
// Destroys every loaded window without firing events (the end of the program).
void DestroyAllWindowsQuietly();

// Input: the common events of a unit's widget and the window's keyboard handling.
void WatchUnitInput(Unit& unit);
// Gives the focus to the visible, enabled, Tab-stopping unit with the lowest Tab order.
void FocusFirstUnit(LoadedWindow& w);

namespace loop {
// A window went: a modal loop running for it ends.
void WindowDestroyed(std::uint32_t windowId);
}  // namespace loop

}  // namespace zorvel::forms
