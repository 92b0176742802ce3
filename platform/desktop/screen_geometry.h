// The geometry both desktops draw with. Plain numbers, so that the Win32
// drawing files, which never see the framework's names, include it as well.
#pragma once

namespace platform {

// The character cell: each byte drawn takes one cell.
inline constexpr int kCellWidthPx = 8;
inline constexpr int kCellHeightPx = 18;

// The client area of a view made without a frame and without a size.
inline constexpr int kDefaultViewWidthPx = 704;
inline constexpr int kDefaultViewHeightPx = 441;

}  // namespace platform
