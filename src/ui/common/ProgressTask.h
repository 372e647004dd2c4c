#pragma once

#include "core/playlist/HtmlPage.h"

#include <QString>

#include <functional>

class QWidget;

// Runs a long job on a thread of its own and returns once it has ended. When
// it takes more than a moment, a dialog modal to owner shows how many of its
// steps are done; its Cancel (or the program's end) sets the job's cancel
// flag, which the job reads through its progress.
void runWithProgress(QWidget* owner, const QString& label, int steps,
                     const std::function<void(const HtmlPage::Progress&)>& job);
