#pragma once

#include "core/AppState.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The keys of the settings file that live in the main window rather than in
// AppSettings, as read by a load or handed to a save.
struct MainWindowValues {
    std::optional<int> loop; // none: the Loop box keeps its state
    double mainHeight = 0;   // outer height in twips
    double mainLeft = 3000;  // left edge in twips
    double mainTop = 2500;   // top edge in twips
    QString nowPlayingOpen;  // "True" when the Now Playing window was open
};

// The main window's outer height, left and top edges in twips.
struct MainWindowPlace {
    double mainHeight = 0;
    double mainLeft = 0;
    double mainTop = 0;
};

// The 33 keys, each read and written in one fixed order.
namespace SettingsTable {

QStringList keys();

// Reads every key through read(key) in table order, fills settings and
// returns the main window's values. A key whose text does not convert keeps
// the value its Absent rule gives.
MainWindowValues load(const std::function<QString(const QString&)>& read, AppSettings& settings);

// Writes every key through write(key, text) in table order, the main
// window's place ("FilesH", "FilesX", "FilesY") only when one is given;
// stops at the first write that fails and returns false.
bool save(const std::function<bool(const QString&, const QString&)>& write,
          const AppSettings& settings, int loop, const std::optional<MainWindowPlace>& place,
          bool nowPlayingOpen);

// The leading decimal number of a text after leading blanks; 0 when there is
// none, and for a number past what a place on a screen can be (beyond
// 2,147,483,647 either way).
double leadingNumber(const QString& text);

// A whole number 0, 1 or 2 for the Loop box (nearest, a half to the even
// one); none for any other text.
std::optional<int> loopValue(const QString& text);

// "True"/"False" in any letter case, or a number (0 false, others true).
std::optional<bool> booleanValue(const QString& text);

} // namespace SettingsTable
