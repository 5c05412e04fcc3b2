#pragma once
// Reading and writing the catalogue's cache files: one scrambled serializer
// document per catalogue object (the boot root, the four parts, the frame
// details of one theme and size), and the plain picture-cache lists.
//
// Every write goes to a temporary file renamed over the target, so a cut
// write leaves the previous file. A cache file that cannot be read (cut,
// written with another key, another document) is no more than a cache miss:
// it is logged, deleted and the caller fetches the object from the lab.
#include "UXmlSerializer.h"

#include <QString>
#include <functional>
#include <memory>

class TConfigInfo;

namespace ShopInfoFiles {

// Registers the element names of one file's classes in a serializer.
using TPrepare = std::function<void(TXMLSerializer&)>;

// The process memory text of the "(ram: %s)" log lines.
QString RamText();

// Logs (DEBUG) "<clsName>.<op>: path= <path> (ram: <ram>): <step>".
void LogStep(const QString& clsName, const QString& op, const QString& path, const QString& step);

// Fills obj from the scrambled file at path. False without a log line when
// the path is empty or the file missing. A file that cannot be read or
// parsed is logged (ERROR), deleted and answered false; obj may then hold a
// partial load and must be dropped.
bool ReadCrypted(const QString& clsName, const QString& path, const TPrepare& prepare, TRemotable& obj);

// Writes obj scrambled to path, replacing the file atomically; raises on
// failure (the previous file stays).
void WriteCrypted(const QString& clsName, const QString& path, const TPrepare& prepare, TRemotable& obj);

// The same without scrambling (the picture-cache lists, the export).
bool ReadPlain(const QString& path, const TPrepare& prepare, TRemotable& obj);
void WritePlain(const QString& path, const TPrepare& prepare, TRemotable& obj);

// Deletes a catalogue file when it exists: DEBUG "TConfig.CleanShopTplInfoFiles:
// file %s deleted", or ERROR "TShopInfo.<lbl>: Can't delete file %s" when
// the deletion fails. A missing file is no error.
void DeleteShopFile(const QString& lbl, const QString& path);

} // namespace ShopInfoFiles
