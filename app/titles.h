// The main window's two titles: their texts, fonts and colours from the settings menu,
// and a Ctrl+drag that moves a title and stores where it was dropped.
#pragma once

#include <cstdint>
#include <span>

namespace zorvel::app::titles {

// Handlers.
void EditMainTitle();      // 设置 › 主标题
void EditSubTitle();       // 设置 › 副标题
void ChooseMainTitleFont();  // 设置 › 字体颜色设置 › 主标题字体
void ChooseSubTitleFont();   // 设置 › 字体颜色设置 › 副标题字体
// Left button down on a title: x, y, key state.
void MainTitleLeftDown(std::span<const std::int32_t> arguments);
void SubTitleLeftDown(std::span<const std::int32_t> arguments);

}  // namespace zorvel::app::titles
