#pragma once
// Copies files and folders (with their contents) into a folder, as dropping onto the file list
// and its send-to menu do. Links are copied as links. Never overwrites: a name already present in the folder is left
// alone and reported. Interface thread only; no throws.
#include <QStringList>

// Copies each of `sources` into `folder` under its own name. Returns one line per source that
// could not be copied, saying which and why; empty when all were copied.
QStringList CopyIntoFolder(const QStringList& sources, const QString& folder);
