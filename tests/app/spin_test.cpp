// The spin, recorded through the stage: one object a frame, its scale, turn and place
// for a 1024 × 768 and a 1920 × 1080 prize display, and a display too small to spin.
#include <cmath>

#include "app/main_window.h"
#include "windows/units/cartoon/cartoon_box.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "tests/app/app_test.h"

namespace zorvel::app::testing {
namespace {

namespace main = ids::main;

struct Frame {
  int number;
  std::int32_t scale, angle;
  double centreX, centreY;  // the centre of the object's image on the stage
};

class SpinTest : public AppTest {
 protected:
  std::vector<Frame> Spin(int w, int h) {
    SetWidth(main::kPrizeCanvas, w);
    SetHeight(main::kPrizeCanvas, h);
    SetWidth(main::kSpinStage, w);
    SetHeight(main::kSpinStage, h);
    SetPictureProperty(main::kPrizeCanvas, forms::draw_panel_property::kBackPicture, PrizePicture(4));
    auto* stage = dynamic_cast<forms::CartoonBoxUnit*>(forms::FindUnitObject(main::kSpinStage.window, main::kSpinStage.id));
    EXPECT_NE(stage, nullptr);
    std::vector<Frame> frames;
    egg_draw::SetSpinFrameObserver([&](int number) {
      EXPECT_EQ(stage->Sprites().size(), 1u) << "frame " << number;
      EXPECT_TRUE(IsVisible(main::kSpinStage));
      EXPECT_FALSE(IsVisible(main::kPrizeCanvas));
      if (stage->Sprites().empty()) return;
      const forms::Sprite& s = stage->Sprites().front();
      frames.push_back({number, s.scaleX, s.angle, s.x + s.width / 2.0, s.y + s.height / 2.0});
    });
    egg_draw::SpinPrize();
    EXPECT_TRUE(stage->Sprites().empty());
    EXPECT_FALSE(IsVisible(main::kSpinStage));
    EXPECT_TRUE(IsVisible(main::kPrizeCanvas));
    return frames;
  }
};

TEST_F(SpinTest, FramesGrowTurnAndMoveTowardsTheTopLeftCorner) {
  StartProgram();
  const struct {
    int w, h;
    int step, shown;
    Frame first, last;
  } rows[] = {
      {1024, 768, 54, 17, {1, 54, 20, 509.5, 382.5}, {17, 918, 340, 487.0, 364.5}},
      {1920, 1080, 90, 10, {1, 90, 33, 955.5, 536.5}, {10, 900, 333, 914.0, 514.0}},
  };
  for (const auto& r : rows) {
    const std::vector<Frame> frames = Spin(r.w, r.h);
    ASSERT_EQ(static_cast<int>(frames.size()), r.shown) << r.w << "x" << r.h;
    for (const Frame& f : frames) {
      EXPECT_EQ(f.scale, f.number * r.step) << r.w << " frame " << f.number;
      EXPECT_EQ(f.angle, static_cast<std::int32_t>(std::trunc(f.number * r.step / 2.7)) % 360) << f.number;
    }
    for (const Frame* f : {&frames.front(), &frames.back()}) {
      const Frame& want = f == &frames.front() ? r.first : r.last;
      EXPECT_EQ(f->number, want.number);
      EXPECT_EQ(f->scale, want.scale);
      EXPECT_EQ(f->angle, want.angle);
      EXPECT_DOUBLE_EQ(f->centreX, want.centreX) << r.w << " frame " << f->number;
      EXPECT_DOUBLE_EQ(f->centreY, want.centreY) << r.w << " frame " << f->number;
    }
  }
}

TEST_F(SpinTest, ADisplayTooSmallToSpinShowsThePrizeAtOnce) {
  StartProgram();
  for (const auto& [w, h] : {std::pair{16, 16}, std::pair{1, 1}, std::pair{0, 0}}) {
    EXPECT_TRUE(Spin(w, h).empty()) << w << "x" << h;
  }
  // 33 is the smallest sum that spins: a step of one thousandth, 950 frames.
  EXPECT_EQ(Spin(17, 16).size(), 950u);
}

}  // namespace
}  // namespace zorvel::app::testing
