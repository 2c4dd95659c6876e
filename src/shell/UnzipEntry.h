#pragma once

#include <QStringList>

class QWidget;

namespace quarlo::shell {

class ShellEngine;

// The Unzip command on the Zip browser's current archive: the dialog asks for the folder
// and the options, then the archive's entries (All Files) or the given entries, else the
// selected node's spec (Selected Files), are extracted.
void openUnzipDialog(QWidget* parent, ShellEngine& engine, const QStringList& entries);

} // namespace quarlo::shell
