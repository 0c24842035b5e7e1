#pragma once
// URL picking for the browse buttons of the tag dialogs: a file-open dialog for one kind of file, started
// at the file the field's URL names, whose choice comes back as a URL relative to the document's own
// file, so the saved page keeps working when its folder moves.
#include <QString>

// The kinds of file a URL field takes; each has its own file-dialog filter.
enum TUrlKind : int {
    ukHtml = 0, ukPicture = 1, ukCss = 2, ukJavaScript = 3, ukServerScript = 4, ukApplet = 5, ukFlash = 6,
    ukRealMedia = 7, ukVideo = 8, ukQuickTime = 9, ukIcon = 10, ukMap = 11, ukVrml = 12, ukScript = 13,
    ukAudio = 14
};

// Shows the open dialog for Kind (the picture dialog, with a preview, for ukPicture). DocumentFileName is
// the document's full path, empty for a document never saved. True when a file was chosen: Url then
// holds its URL; false leaves Url unchanged.
bool PickUrl(int Kind, const QString& DocumentFileName, QString& Url);

// Relative resolved against the document's file as a browser would; a URL with a scheme of its own comes
// back unchanged, a local result as a "file:" URL.
QString CombineUrl(const QString& Base, const QString& Relative);
// The local path of a "file:" URL, percent-decoded; empty for URLs of other schemes.
QString UrlToFileName(const QString& Url);
// FileName as a URL relative to the folder of BaseFileName ("images/my%20logo.gif", "../other/a.gif");
// a "file://" URL of the full path when there is no base. "%", blank, "#", "?" and characters beyond
// ASCII (as UTF-8) are percent-encoded, so a browser reads the name back as it is.
QString FileNameToUrl(const QString& BaseFileName, const QString& FileName);
// "Description|patterns|..." for Kind, ending in the all-files entry; just that entry for an unknown kind.
QString GetUrlFilter(int Kind);
// True when Path names an existing folder.
bool IsFolderUrl(const QString& Path);
