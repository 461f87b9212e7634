#include "app/egg_draw.h"

#include <cmath>
#include <thread>

#include "app/draw/prize_pool.h"
#include "app/draw_record.h"
#include "app/facade.h"
#include "app/main_window.h"
#include "windows/units/cartoon/cartoon_commands.h"
#include "windows/units/cartoon/cartoon_object.h"
#include "windows/units/draw_panel/draw_panel.h"
#include "windows/units/pic_button/pic_button.h"
#include "resources/egg_pictures.h"
#include "runtime/commands.h"
#include "text/gbk_literal.h"
#include "runtime/sound/sound.h"
#include "store/store.h"

namespace zorvel::app::egg_draw {

using namespace zorvel::literals;
namespace main = ids::main;

namespace {

constexpr std::chrono::milliseconds kSpinFramePacing{40};
constexpr int kEffectDuration = 4000;

std::chrono::milliseconds g_spinFramePacing = kSpinFramePacing;
std::function<void(int)> g_spinFrameObserver;
int g_effectDuration = kEffectDuration;
std::optional<bool> g_effectsShown;

const char* const kEmptyPoolMessage =
    "1．如果是第一次运行程序，请先点击右键，选择奖项设置菜单，进行奖项设置！\r\n\r\n"
    "————————————————————————————\r\n\r\n"
    "2．如果是按奖品数量方式正在抽奖！应该是奖品数量已抽取完毕，清空抽奖结果后可以再重新抽奖！"_gbk;
const char* const kNoticeCaption = "Zorvel信息提示"_gbk;
// A win the ledger could not take: the operator is told at once, every time, since the
// ledger is what the prizes are counted from. The draw record still lists the draw.
const char* const kLedgerUnwritableMessage = "中奖结果无法写入，这次中奖没有计入：\r\n"_gbk;

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void SetEggPicture(int egg, std::span<const std::uint8_t> picture) {
  SetPictureProperty(main_window::kEggs[egg - 1], forms::pic_button::kNormalPicture, AsText(picture));
}

// The stage's objects, made from the spin template.
std::int32_t CreateSpinObject(std::int32_t x, std::int32_t y) {
  return Call(cmd::CreateObject, UnitArgument(main::kSpinStage), UnitArgument(main::kSpinTemplate), x, y).integer();
}
void DestroySpinObject(std::int32_t object) { Call(cmd::DestroyObjects, UnitArgument(main::kSpinStage), object); }
void RotateSpinObject(std::int32_t object, std::int32_t angle) {
  Call(cmd::RotateObject, UnitArgument(main::kSpinStage), object, angle);
}

// The canvas's drawing as picture bytes, at its own size.
std::string CanvasPicture(UnitName canvas) {
  return std::string(ByteSetView(Call(cmd::GetCanvasPicture, UnitArgument(canvas)).byteSet()));
}

}  // namespace

void ShowRestPicture(int egg) { SetEggPicture(egg, resources::EggRestPicture(egg)); }

void EggClicked(int egg) {
  SetEggPicture(egg, resources::EggSmashPicture());
  DrawPrize(egg);
  ShowRestPicture(egg);
}

void DrawPrize(int egg) {
  // 1: the smash sound, once; a missing file plays nothing.
  Call(cmd::PlaySound, store::SmashSoundPath());
  // 2: an effect window still open from an earlier draw goes first.
  if (IsOpen(ids::effect::kWindow)) CloseWindow(ids::effect::kWindow);
  // 3: a fresh seed from the tick count for every draw.
  Call(cmd::SeedRandom);
  // 4, 5: the pool; without a ticket the operator is told what to do, and nothing else
  // happens.
  draw::LevelCounts& counts = draw::ProgramLevelCounts();
  const draw::PrizePool pool = draw::BuildPrizePool(counts);
  if (pool.Tickets() < 1) {
    record::Empty(egg, counts);
    MessageBox(kEmptyPoolMessage, kInformationIcon | kOkOnly, kNoticeCaption);
    return;
  }
  // 6: every ticket equally likely, however many there are.
  const std::uint64_t ticket = draw::DrawTicket(pool.Tickets());
  const int level = pool.LevelOfTicket(ticket);
  // 7: the prize picture on the canvas (none when the file is missing).
  const std::string picture = ReadWholeFile(store::PrizePicturePath(level));
  SetPictureProperty(main::kPrizeCanvas, forms::draw_panel_property::kBackPicture, picture);
  // 8: the draw is in the record, then the win in the ledger, before anything of the
  // prize shows.
  const double won = store::Number(store::ReadWinCount(level));
  record::Draw({egg, counts, pool.Tickets(), ticket, level, won + 1.0, !picture.empty()});
  if (!store::WriteWinCount(level, store::NumberText(won + 1.0)))
    MessageBox(kLedgerUnwritableMessage + store::ResultsPath(), kExclamationIcon | kOkOnly, kNoticeCaption);
  // 9: the spin; the canvas shows the prize afterwards.
  SpinPrize();
  // 10: the close label at the prize display's top right; the titles make way.
  SetLeft(main::kCloseLabel, Width(main::kPrizeCanvas) - Width(main::kCloseLabel));
  SetTop(main::kCloseLabel, Top(main::kPrizeCanvas));
  Show(main::kCloseLabel);
  Hide(main::kMainTitle);
  Hide(main::kSubTitle);
  // 11: the celebration effect, unless switched off. Loading its window starts the
  // fireworks; the draw shows it and waits while events go on (another egg may be
  // smashed meanwhile, which first closes this effect window), then closes it.
  const bool effects = g_effectsShown ? *g_effectsShown
                                      : store::ReadConfig(store::kMainSection, store::kEffectsDisabled) != store::kTrue;
  if (effects) {
    LoadOver(ids::effect::kWindow, main::kWindow);
    if (IsOpen(ids::effect::kWindow)) Show(ids::effect::kWindow);
    Delay(g_effectDuration);
    if (IsOpen(ids::effect::kWindow)) CloseWindow(ids::effect::kWindow);
  }
}

void SpinPrize() {
  const std::int32_t w = Width(main::kPrizeCanvas);
  const std::int32_t h = Height(main::kPrizeCanvas);
  // The spin's step is (w + h) / 33 whole pixels: a canvas smaller than that shows the
  // prize at once.
  if (w + h < 33) {
    Hide(main::kSpinStage);
    Show(main::kPrizeCanvas);
    return;
  }
  namespace object = forms::cartoon_object;
  // 1-3: the template takes the canvas's size and picture at natural scale; the first
  // object stands at the top left; the stage replaces the canvas.
  SetWidth(main::kSpinTemplate, w);
  SetHeight(main::kSpinTemplate, h);
  SetIntegerProperty(main::kSpinTemplate, object::kScale, 0);
  SetPictureProperty(main::kSpinTemplate, object::kPicture, CanvasPicture(main::kPrizeCanvas));
  std::int32_t current = CreateSpinObject(0, 0);
  Hide(main::kPrizeCanvas);
  Show(main::kSpinStage);
  // 4, 5: frame i shows the picture at i × step thousandths of its size, its top-left
  // corner moving from the centre towards the window's corner, turned i × step / 2.7
  // degrees; the first frame beyond 950 thousandths is not shown.
  const double ratio = static_cast<double>(w) / h;
  const auto step = static_cast<std::int32_t>(std::trunc((w + h) / 33.0));
  double x = w / 2.0;
  const double dy = (h / 2.0) / (950.0 / step);
  for (std::int32_t i = 1;; ++i) {
    const auto frameStart = std::chrono::steady_clock::now();
    DestroySpinObject(current);
    SetIntegerProperty(main::kSpinTemplate, object::kScale, i * step);
    x = x - dy * ratio;
    current = CreateSpinObject(static_cast<std::int32_t>(std::trunc(x)),
                               static_cast<std::int32_t>(std::trunc(h / 2.0 - i * dy)));
    RotateSpinObject(current, static_cast<std::int32_t>(std::trunc(i * step / 2.7)));
    if (i * step - 950 > 0.0000001) {
      DestroySpinObject(current);
      break;
    }
    // The frame reaches the screen at once, and stays there for the frame time; no event
    // is handled meanwhile.
    Refresh(main::kWindow);
    if (g_spinFrameObserver) g_spinFrameObserver(i);
    if (g_spinFramePacing.count() > 0) std::this_thread::sleep_until(frameStart + g_spinFramePacing);
  }
  // 6: the prize display takes over.
  Hide(main::kSpinStage);
  Show(main::kPrizeCanvas);
}

void SetSpinFramePacing(std::chrono::milliseconds minimum) { g_spinFramePacing = minimum; }
void SetSpinFrameObserver(std::function<void(int)> observer) { g_spinFrameObserver = std::move(observer); }
void SetEffectDuration(int milliseconds) { g_effectDuration = milliseconds; }
void SetEffectsShown(std::optional<bool> shown) { g_effectsShown = shown; }

void ResetTestHooks() {
  g_spinFramePacing = kSpinFramePacing;
  g_spinFrameObserver = nullptr;
  g_effectDuration = kEffectDuration;
  g_effectsShown.reset();
}

}  // namespace zorvel::app::egg_draw
