#pragma once
// The few Exif values the system reads from a picture (resolution,
// orientation, dates) and the Exif block it writes into the print files it
// produces (software name and capture date).
//
// Both go through exiv2. Reading never raises: a picture whose Exif block is
// missing or unreadable simply has none, and the caller falls back to its
// defaults (no turn, 96 dpi, the file's date). Writing raises on failure and
// replaces the file atomically, so a failed write leaves the picture as it was.
#include <QByteArray>
#include <QDateTime>
#include <QString>

// Orientation tag of the Exif standard: toUndefined, then the values 1 to 8
// in their order.
enum class TTiffOrientation : quint8 {
    toUndefined = 0,
    toTopLeft = 1,     // upright
    toTopRight = 2,    // mirrored
    toBottomRight = 3, // turned half a turn
    toBottomLeft = 4,  // turned half a turn, mirrored
    toLeftTop = 5,     // turned a quarter clockwise, mirrored
    toRightTop = 6,    // turned a quarter clockwise
    toRightBottom = 7, // turned three quarters clockwise, mirrored
    toLeftBottom = 8,  // turned three quarters clockwise
};

class TSimplifiedExifData {
public:
    TSimplifiedExifData() = default;

    // X and Y resolution tags as numbers (numerator / denominator, 0 when the
    // denominator is 0 or the tag is missing). The unit tag is not read.
    float ResolutionX() const { return fResolutionX; }
    float ResolutionY() const { return fResolutionY; }
    TTiffOrientation Orientation() const { return fOrientation; }
    // Digitized date, or the main image's date-time when that one is
    // missing; invalid when missing or not a date.
    const QDateTime& DateTime() const { return fDateTime; }
    // Capture date; invalid when missing or not a date.
    const QDateTime& DateTimeOriginal() const { return fDateTimeOriginal; }

    // Reads the picture's Exif block. False when it has none or it cannot be
    // read; a read error is logged at ERROR level
    // ("TSimplifiedExifData.LoadFromGraphic(%s) failed").
    bool LoadFromGraphic(const QString& imgpath);
    // The same from the bytes of a picture file.
    bool LoadFromBytes(const QByteArray& bytes, const QString& nameForLog = QString());

    void SetOrientation(TTiffOrientation o) { fOrientation = o; }
    void SetResolution(float x, float y)
    {
        fResolutionX = x;
        fResolutionY = y;
    }
    void SetDateTimeOriginal(const QDateTime& d) { fDateTimeOriginal = d; }
    void SetDateTime(const QDateTime& d) { fDateTime = d; }

    // Clockwise turn in degrees that brings a picture of this orientation
    // upright: 180 for 3 and 4, 90 for 5 and 6, 270 for 7 and 8, else 0.
    static int OrientationAngle(TTiffOrientation o);
    // The picture must also be mirrored left to right after the turn
    // (orientations 2, 4, 5 and 7).
    static bool OrientationMirrored(TTiffOrientation o);
    // Exif date text "yyyy:MM:dd HH:mm:ss" as a local date-time; invalid for
    // any other text (including the blank dates cameras write).
    static QDateTime ParseExifDate(const QString& text);
    static QString ExifDateText(const QDateTime& d);

private:
    float fResolutionX = 0;
    float fResolutionY = 0;
    TTiffOrientation fOrientation = TTiffOrientation::toUndefined;
    QDateTime fDateTime;
    QDateTime fDateTimeOriginal;
};

class TExifWriter {
public:
    TExifWriter() = delete;

    // Puts a new Exif block into the picture file at path, holding the
    // Software tag (305) and, when valid, the capture date (36867); any Exif
    // block the file had is replaced, the picture itself is kept. The file
    // is rewritten through a temporary file. Raises Exception naming the
    // file on failure.
    static void WriteSoftwareAndDate(const QString& path, const QString& software, const QDateTime& dateOriginal);

    // The same on the bytes of a picture file; returns the new bytes.
    static QByteArray WriteSoftwareAndDate(const QByteArray& picture, const QString& software,
                                           const QDateTime& dateOriginal);
};

// Installs, once per process, exiv2's thread-safety set-up and routes its
// warnings to the global log instead of the standard error stream.
void ExifLibraryInit();
