// A test hook of the program: draws one after another, for the kill test and the soak
// (tools/zorvel_kill_test, tools/zorvel_soak). Inert unless ZORVEL_TEST_DRAWS is set.
//
//   ZORVEL_TEST_DRAWS=N      once the main window is up, N draws through the eggs' own
//                            click handler, the prize dismissed after each, then the
//                            orderly end ("end" in the record); 0 draws for ever
//   ZORVEL_TEST_EFFECTS=on   the celebration effect after every draw, whatever the
//                            settings say: its window loads (the movie is written, read
//                            and its first frame drawn), shows, the events waiting are
//                            handled once and it closes (the 4 s wait passed at once)
//   ZORVEL_TEST_EFFECTS=off  no celebration effect (otherwise the settings decide)
//   ZORVEL_TEST_HEAP=N       every N draws, the heap's bytes in use, its free bytes and
//                            its separately mapped blocks on standard error, to tell a
//                            leak (bytes in use growing) from the heap settling
//
// The spin runs without its frame pacing. Every message box is written to standard error
// and answered with its default button at once (runtime/ui/message_box.h), so a draw that
// finds the pool empty says so there and the draws go on to their end. The kill test and
// the soak give the folder prize settings that draw by probability, whose pool never
// runs out.
#pragma once

namespace zorvel::app {

// Reads the two variables; when ZORVEL_TEST_DRAWS is set, queues the draws to begin as
// soon as the event loop runs with the main window loaded. Call before the loop starts.
void StartTestDraws();

}  // namespace zorvel::app
