#pragma once
// Accessibility of the tab bar control: the control answers as a grouping whose
// children are its cells; a cell answers as a button named by its title, with the
// help text of VTTabBarCell::accessibilityHelp(), focused only at tab state 2, and
// the press action, which selects its tab. Hit-testing answers the first highlighted
// cell (the one under the pointer), else the control itself.
//
// install() registers the factory with QAccessible once (idempotent). A cell's
// interface is made on first request and lives until the control's interface goes.
// Main thread only.
namespace VTTabBarAccessibility {

void install();

} // namespace VTTabBarAccessibility
