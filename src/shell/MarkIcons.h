#pragma once

#include <QIcon>

namespace quarlo::shell {

// The explorer's six mark icons, drawn once: 0 unmarked, 1 download, 2 map, 3 update,
// 4 error, 5 saved. Any other number gives a null icon.
QIcon markIcon(int number);

inline constexpr int kMarkIconCount = 6;

} // namespace quarlo::shell
