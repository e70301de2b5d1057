// The launcher badge: the count of pending reminders on the program's dock or panel icon.
#pragma once

// Shows the count on the launcher icon, or no badge for 0. Desktops that follow the Unity launcher
// protocol (GNOME with Dash to Dock, KDE Plasma, ...) draw it; elsewhere nothing happens.
void SetLauncherBadge(int count);

// The object path the badge signal is sent from.
constexpr const char* LauncherEntryPath = "/org/vrdx/VRDX/LauncherEntry";
