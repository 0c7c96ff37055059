#pragma once
#include <QString>

#include <optional>

#include "data/TextCatalogue.h"

class QWidget;

// A command's caption ("Save as PDF…") as a window title: without its
// closing ellipsis.
QString CommandTitle(const LocalText& caption, int language);

// Asks where a command saves its file: the save-file dialog titled by the
// command's caption, listing the files of filter, adding suffix to a name
// typed without one, open on the user's documents folder (home where there is
// none) with name suggested. The chosen path; none when it was cancelled.
std::optional<QString> AskSavePath(QWidget* parent, const LocalText& caption, const LocalText& filter, int language,
                    const QString& suffix, const QString& name);
