// The About window: the program's icon, version, platform, support address and copyright.
#pragma once

#include <QString>

enum AboutControl : int {
    AboutIcon = 1,
    AboutVersionLine = 2,
    AboutPlatformLine = 3,
    AboutSupportLine = 4,
    AboutCopyrightLine = 5,
};

// What the build says about itself; an empty value leaves its line out.
struct AboutInfo {
    QString version;
    QString supportAddress;
    QString copyrightHolder;
};
AboutInfo ProgramAboutInfo();

// Command 'abou': brings the window forward, or makes and fills it (with the year of the program's clock).
void ShowAbout(const AboutInfo& info = ProgramAboutInfo());
