// The movie host: a child window of the class "AtlAxWin" whose window text names a page
// that embeds a movie. It reads the page, reads the movie file beside it and plays it
// with the movie player in its innermost window, the document window, at the movie's
// frame rate. The hosted control and the document answer a few automation members.
//
// A top-level window may have a colour key: its pixels of exactly that colour are
// see-through and let the mouse through. With a compositing window manager (and on the
// offscreen platform) the window is translucent and the movie is drawn with its alpha;
// without one, the window's shape is cut each frame to the pixels the movie covers.
#pragma once

#include <QRect>
#include <QRegion>
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/automation.h"

class QWidget;

namespace zorvel::forms {

inline constexpr char kMovieHostClass[] = "AtlAxWin";
// The class names of the windows below the host, outermost first; the innermost is the
// document window.
inline constexpr const char* kDocumentChain[] = {"Shell Embedding", "Shell DocObject View", "Internet Explorer_Server"};
// The dynamic property that holds a window's class name, for generic lookups.
inline constexpr char kWindowClassProperty[] = "zorvelWindowClass";

// A host as a child of `parent` at `geometry` (parent coordinates). windowText (GBK): a
// page path to navigate to at once, or "about:blank" (nothing shown). The host and its
// three nested child windows fill the area.
QWidget* CreateMovieHost(QWidget* parent, const std::string& windowText, const QRect& geometry);

// The hosted control of a host window (new reference; null for any other widget):
// "Navigate2"(url, …) navigates to a page path (GBK, '\' or '/' separators);
// "ExecWB"(command, option, in, out) is accepted and does nothing visible;
// "LocationURL" (get: text); "Document" (get: the document object).
automation::Object* MovieHostControl(QWidget* host);

// The document object of a document window (new reference; null for any other widget):
// "body" (get) → "style" (get) with the text properties "overflow", "overflowX",
// "overflowY" and "border" (put stores, get returns); "parentWindow" (get) with the
// method "execScript"(script, language), accepted and recorded. None of them changes
// what is drawn: the host has neither scroll bars nor a border.
automation::Object* DocumentObjectOf(QWidget* documentWindow);
// The last script given to execScript of the document window (empty when none).
std::string LastScriptOf(QWidget* documentWindow);

// The window class name of a widget (its kWindowClassProperty; empty when none).
std::string WindowClassOf(const QWidget* widget);
// The document window below a host (null for any other widget).
QWidget* DocumentWindowOf(QWidget* host);

// The colour key of a top-level window (0x00BBGGRR): pixels of exactly that colour are
// see-through and let the mouse through. Set before or after the window is shown.
void SetColourKey(QWidget* window, std::uint32_t colorRef);
std::optional<std::uint32_t> ColourKeyOf(const QWidget* window);

// How a window with a colour key shows what lies beneath it.
enum class SeeThrough {
  kNone,   // no colour key
  kAlpha,  // a translucent window; the mouse passes where nothing is drawn
  kShape,  // the window's shape is the pixels more than half covered
};
SeeThrough SeeThroughOf(const QWidget* window);
// The pixels of a keyed window that take the mouse, in its own coordinates: what the
// movies in it cover more than half (the window's shape with kShape).
QRegion InputRegionOf(const QWidget* window);

// Tests: windows given a colour key from now on use the shape even where the alpha
// could be used.
void ForceShapeSeeThroughForTests(bool on);
// Frames the movie hosts of the process have drawn so far.
std::int64_t MovieFramesDrawn();

}  // namespace zorvel::forms
