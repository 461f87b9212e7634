#include "runtime/movie/timeline.h"

#include <algorithm>
#include <utility>

namespace zorvel::movie {

namespace {

DisplayList::iterator AtDepth(DisplayList& list, std::uint16_t depth) {
  return std::lower_bound(list.begin(), list.end(), depth,
                          [](const Instance& i, std::uint16_t d) { return i.depth < d; });
}

}  // namespace

Timeline::Timeline(const Movie& movie) : movie_(movie) { Restart(); }

void Timeline::Restart() {
  list_.clear();
  live_ = 0;
  mainFrame_ = 0;
  frame_ = 1;
  const auto& frames = movie_.timeline().frames;
  if (!frames.empty()) Apply(list_, frames[0], 0, true);
}

void Timeline::Next() {
  ++frame_;
  Step(list_, movie_.timeline(), mainFrame_, 0);
}

void Timeline::GoTo(std::int64_t n) {
  if (n < 1) n = 1;
  const auto count = static_cast<std::int64_t>(movie_.timeline().frames.size());
  if (movie_.sprites().empty() && count > 0 && (n < frame_ || n - frame_ > count)) {
    // Without sprites every pass of the main timeline is the same: frame n is frame
    // (n − 1) mod count + 1 of the first pass.
    Restart();
    const std::int64_t steps = (n - 1) % count;
    for (std::int64_t i = 0; i < steps; ++i) Next();
    frame_ = n;
    return;
  }
  if (n < frame_) Restart();
  while (frame_ < n) Next();
}

// Counts a new object and, for a sprite, starts its own timeline at its frame 1.
void Timeline::Init(Instance& instance, int nesting) {
  ++live_;
  StartSprite(instance, nesting);
}

void Timeline::StartSprite(Instance& instance, int nesting) {
  if (instance.character.kind != Character::Kind::kSprite || nesting >= kMaxSpriteNesting) return;
  auto state = std::make_unique<SpriteState>();
  state->sprite = &movie_.sprites()[instance.character.index];
  if (!state->sprite->timeline.frames.empty()) Apply(state->list, state->sprite->timeline.frames[0], nesting + 1, true);
  instance.sprite = std::move(state);
}

// Uncounts an object that leaves a display list, with everything inside it.
void Timeline::Release(const Instance& instance) {
  --live_;
  if (instance.sprite)
    for (const Instance& child : instance.sprite->list) Release(child);
}

void Timeline::Apply(DisplayList& list, const std::vector<Command>& commands, int nesting, bool makeSprites) {
  for (const Command& c : commands) {
    auto it = AtDepth(list, c.depth);
    const bool there = it != list.end() && it->depth == c.depth;
    switch (c.op) {
      case Command::Op::kRemove:
        if (there) {
          Release(*it);
          list.erase(it);
        }
        break;
      case Command::Op::kModify:
        if (there) {
          if (c.hasMatrix) it->matrix = c.matrix;
          if (c.hasColorTransform) it->colorTransform = c.colorTransform;
          if (c.mask) it->mask = true;
        }
        break;
      case Command::Op::kReplace:
        if (there) {
          if (it->characterId != c.character) {
            Release(*it);
            it->characterId = c.character;
            it->character = movie_.character(c.character);
            it->sprite.reset();
            if (makeSprites) Init(*it, nesting);
            else ++live_;
          }
          if (c.hasMatrix) it->matrix = c.matrix;
          if (c.hasColorTransform) it->colorTransform = c.colorTransform;
          if (c.mask) it->mask = true;
          break;
        }
        [[fallthrough]];
      case Command::Op::kPlace: {
        if (!there && live_ >= kMaxInstances) break;
        Instance fresh;
        fresh.depth = c.depth;
        fresh.characterId = c.character;
        fresh.character = movie_.character(c.character);
        if (c.hasMatrix) fresh.matrix = c.matrix;
        if (c.hasColorTransform) fresh.colorTransform = c.colorTransform;
        fresh.mask = c.mask;
        if (makeSprites) Init(fresh, nesting);
        else ++live_;
        if (there) {
          Release(*it);
          *it = std::move(fresh);
        } else {
          list.insert(it, std::move(fresh));
        }
        break;
      }
    }
  }
}

void Timeline::AdvanceList(DisplayList& list, int nesting) {
  for (Instance& instance : list) {
    if (!instance.sprite) continue;
    SpriteState& state = *instance.sprite;
    Step(state.list, state.sprite->timeline, state.frame, nesting + 1);
  }
}

// One frame further on one timeline: the objects' own sprites first (an object placed
// by this frame starts at its frame 1), then this frame's commands; after the last
// frame, back to frame 1.
void Timeline::Step(DisplayList& list, const TimelineData& timeline, std::size_t& frame, int nesting) {
  AdvanceList(list, nesting);
  const auto& frames = timeline.frames;
  if (frames.empty()) return;
  if (frame + 1 < frames.size()) {
    ++frame;
    Apply(list, frames[frame], nesting, true);
    return;
  }
  frame = 0;
  if (frames.size() == 1) return;  // frame 1 again: what it placed is there as it was
  // The display list of frame 1, made afresh; an object there that frame 1 places with
  // the same character at the same depth stays the same object (a sprite keeps its
  // playhead) and takes frame 1's matrix and colour transform.
  // Every count below is checked against the limit with the old objects still counted,
  // so that the rebuilt list never goes past it.
  DisplayList fresh;
  Apply(fresh, frames[0], nesting, false);
  for (Instance& instance : fresh) {
    auto old = AtDepth(list, instance.depth);
    if (old != list.end() && old->depth == instance.depth && old->characterId == instance.characterId &&
        old->sprite) {
      instance.sprite = std::move(old->sprite);  // its contents stay counted
    } else {
      StartSprite(instance, nesting);
    }
  }
  for (const Instance& instance : list) Release(instance);
  list = std::move(fresh);
}

}  // namespace zorvel::movie
