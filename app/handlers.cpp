// The handler table: every name of app/handlers.def, in its order, bound to the routine
// that runs for it. A name that is not in the list does not compile; a name without a
// binding has no routine, so its events run nothing.
#include "app/handlers.h"

#include <array>
#include <type_traits>

#include "app/egg_draw.h"
#include "app/egg_editor.h"
#include "app/effect_window.h"
#include "app/main_window.h"
#include "app/password_window.h"
#include "app/results_window.h"
#include "app/settings_window.h"
#include "app/titles.h"

namespace zorvel::app {

namespace {

enum class Handler : int {
#define ZORVEL_HANDLER(name) name,
#include "app/handlers.def"
#undef ZORVEL_HANDLER
  kCount
};
constexpr std::size_t kHandlerCount = static_cast<std::size_t>(Handler::kCount);

// A routine as the dispatcher calls it: routines without arguments ignore the event's;
// those that answer a question give their answer as the handler's result.
template <auto Routine>
std::optional<std::int32_t> Adapt([[maybe_unused]] std::span<const std::int32_t> arguments) {
  const auto call = [&] {
    if constexpr (std::is_invocable_v<decltype(Routine)>) return Routine();
    else return Routine(arguments);
  };
  if constexpr (std::is_same_v<decltype(call()), bool>) {
    return call() ? 1 : 0;
  } else {
    call();
    return std::nullopt;
  }
}

struct Binding {
  Handler handler;
  forms::HandlerRoutine routine;
};

#define ZORVEL_HANDLER(name, routine) Binding{Handler::name, &Adapt<routine>},
constexpr Binding kBindings[] = {
    // Main window
    ZORVEL_HANDLER(main_created, main_window::Created)
    ZORVEL_HANDLER(main_resized, main_window::Resized)
    ZORVEL_HANDLER(main_may_close, main_window::MayClose)
    ZORVEL_HANDLER(right_click_settings_menu, main_window::ShowSettingsMenu)
    ZORVEL_HANDLER(main_title_left_down, titles::MainTitleLeftDown)
    ZORVEL_HANDLER(sub_title_left_down, titles::SubTitleLeftDown)
    ZORVEL_HANDLER(close_label_clicked, main_window::DismissPrize)
    ZORVEL_HANDLER(canvas_right_down, main_window::ShowPrizeMenu)
    ZORVEL_HANDLER(egg_1_clicked, egg_draw::EggClicked<1>)
    ZORVEL_HANDLER(egg_2_clicked, egg_draw::EggClicked<2>)
    ZORVEL_HANDLER(egg_3_clicked, egg_draw::EggClicked<3>)
    ZORVEL_HANDLER(egg_4_clicked, egg_draw::EggClicked<4>)
    ZORVEL_HANDLER(egg_5_clicked, egg_draw::EggClicked<5>)
    ZORVEL_HANDLER(egg_6_clicked, egg_draw::EggClicked<6>)
    ZORVEL_HANDLER(egg_7_clicked, egg_draw::EggClicked<7>)
    ZORVEL_HANDLER(egg_8_clicked, egg_draw::EggClicked<8>)
    ZORVEL_HANDLER(egg_9_clicked, egg_draw::EggClicked<9>)
    ZORVEL_HANDLER(menu_close_prize, main_window::DismissPrize)
    ZORVEL_HANDLER(menu_main_title, titles::EditMainTitle)
    ZORVEL_HANDLER(menu_sub_title, titles::EditSubTitle)
    ZORVEL_HANDLER(menu_prize_settings, main_window::OpenPrizeSettings)
    ZORVEL_HANDLER(menu_egg_positions, main_window::OpenEggEditor)
    ZORVEL_HANDLER(menu_main_title_font, titles::ChooseMainTitleFont)
    ZORVEL_HANDLER(menu_sub_title_font, titles::ChooseSubTitleFont)
    ZORVEL_HANDLER(menu_change_background, main_window::ChangeBackground)
    ZORVEL_HANDLER(menu_remove_background, main_window::RemoveBackground)
    ZORVEL_HANDLER(menu_results, main_window::OpenResults)
    ZORVEL_HANDLER(menu_full_screen, main_window::FullScreen)
    ZORVEL_HANDLER(menu_windowed, main_window::Windowed)
    ZORVEL_HANDLER(menu_exit, main_window::ExitFromMenu)
    // Prize settings window
    ZORVEL_HANDLER(settings_created, settings_window::Created)
    ZORVEL_HANDLER(settings_quantity_mode, settings_window::QuantityMode)
    ZORVEL_HANDLER(settings_probability_mode, settings_window::ProbabilityMode)
    ZORVEL_HANDLER(settings_picture_1_double_clicked, settings_window::PictureDoubleClicked<1>)
    ZORVEL_HANDLER(settings_picture_2_double_clicked, settings_window::PictureDoubleClicked<2>)
    ZORVEL_HANDLER(settings_picture_3_double_clicked, settings_window::PictureDoubleClicked<3>)
    ZORVEL_HANDLER(settings_picture_4_double_clicked, settings_window::PictureDoubleClicked<4>)
    ZORVEL_HANDLER(settings_picture_5_double_clicked, settings_window::PictureDoubleClicked<5>)
    ZORVEL_HANDLER(settings_picture_6_double_clicked, settings_window::PictureDoubleClicked<6>)
    ZORVEL_HANDLER(settings_picture_7_double_clicked, settings_window::PictureDoubleClicked<7>)
    ZORVEL_HANDLER(settings_picture_8_double_clicked, settings_window::PictureDoubleClicked<8>)
    ZORVEL_HANDLER(settings_confirm, settings_window::Confirm)
    ZORVEL_HANDLER(settings_number_changed, settings_window::NumberChanged)
    // Results window
    ZORVEL_HANDLER(results_created, results_window::Created)
    ZORVEL_HANDLER(results_clear, results_window::Clear)
    // Egg position editor
    ZORVEL_HANDLER(editor_created, egg_editor::Created)
    ZORVEL_HANDLER(editor_drag_egg_1, egg_editor::PictureLeftDown<1>)
    ZORVEL_HANDLER(editor_drag_egg_2, egg_editor::PictureLeftDown<2>)
    ZORVEL_HANDLER(editor_drag_egg_3, egg_editor::PictureLeftDown<3>)
    ZORVEL_HANDLER(editor_drag_egg_4, egg_editor::PictureLeftDown<4>)
    ZORVEL_HANDLER(editor_drag_egg_5, egg_editor::PictureLeftDown<5>)
    ZORVEL_HANDLER(editor_drag_egg_6, egg_editor::PictureLeftDown<6>)
    ZORVEL_HANDLER(editor_drag_egg_7, egg_editor::PictureLeftDown<7>)
    ZORVEL_HANDLER(editor_drag_egg_8, egg_editor::PictureLeftDown<8>)
    ZORVEL_HANDLER(editor_drag_egg_9, egg_editor::PictureLeftDown<9>)
    ZORVEL_HANDLER(editor_done, egg_editor::Done)
    // Password window
    ZORVEL_HANDLER(password_enter, password_window::Enter)
    ZORVEL_HANDLER(password_change, password_window::Change)
    // Celebration effect window
    ZORVEL_HANDLER(effect_created, effect_window::Created)
};
#undef ZORVEL_HANDLER

constexpr std::array<forms::HandlerEntry, kHandlerCount> MakeTable() {
  std::array<forms::HandlerEntry, kHandlerCount> table{};
#define ZORVEL_HANDLER(handler) table[static_cast<std::size_t>(Handler::handler)].name = #handler;
#include "app/handlers.def"
#undef ZORVEL_HANDLER
  for (const Binding& b : kBindings) {
    forms::HandlerEntry& entry = table[static_cast<std::size_t>(b.handler)];
    if (entry.routine != nullptr) throw "a handler is bound twice";
    entry.routine = b.routine;
  }
  return table;
}

constexpr std::array<forms::HandlerEntry, kHandlerCount> kHandlers = MakeTable();

}  // namespace

std::span<const forms::HandlerEntry> HandlerTable() { return kHandlers; }

}  // namespace zorvel::app
