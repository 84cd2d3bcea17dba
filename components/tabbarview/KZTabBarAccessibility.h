#pragma once
// Accessibility of the tab bar: the bar answers as a grouping whose children are its
// attached tab buttons in item order (the buttons it shows; the overflow and add-tab
// buttons are not among them); a tab button answers as a page tab named by its title,
// selected while its tab is the tab view's selected one, whose press action selects
// it. Hit-testing the bar answers the first tab button whose cell is highlighted (the
// one being pressed), else the bar itself.
//
// install() registers the factory with QAccessible once (idempotent); the bar calls
// it when made. Interfaces belong to QAccessible's cache, as every widget's do. Main
// thread only.
namespace KZTabBarAccessibility {

void install();

} // namespace KZTabBarAccessibility
