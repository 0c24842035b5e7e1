#include "PickUrls.h"

#include "Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

constexpr const char* UrlFilters[] = {
    "HTML Files (*.html, *.htm)|*.html;*.htm",
    "Picture Files (*.jpg, *.gif, *.png)|*.jpg;*.gif;*.png|JPEG Files (*.jpg)|*.jpg|GIF Files (*.gif)|*.gif|"
    "PNG Files (*.png)|*.png",
    "CSS Files (*.css)|*.css",
    "JavaScript Files (*.js)|*.js",
    "Server Scripts (*.cgi, *.php, *.asp)|*.cgi;*.php;*.asp|CGI Scripts (*.cgi)|*.cgi|PHP Scripts (*.php)|*.php|"
    "ASP Scripts (*.asp)|*.asp",
    "Java Applets (*.cab, *.class, *.jar)|*.cab;*.class;*.jar",
    "Flash Files (*.swf)|*.swf",
    "Real Media Files (*.rm, *.ram)|*.rm;*.ram",
    "Video Files (*.avi, *.wmv, *.mpg)|*.avi;*.wmv;*.mpg",
    "QuickTime Files (*.mov, *.qt)|*.mov;*.qt",
    "Icon Files (*.ico)|*.ico",
    "Map Files (*.map)|*.map",
    "VRML Files (*.wrl, *.wrz)|*.wrl;*.wrz",
    "Script Files (*.js, *.vbs)|*.js;*.vbs",
    "Audio Files (*.mid, *.wav, *.au)|*.mid;*.wav;*.au",
};

constexpr const char* AllFiles = "All Files (*.*)|*.*";

// The characters a browser would read as something else in a path: the escape itself, the blank, the
// fragment and query marks, and everything beyond ASCII, which goes as its UTF-8 bytes.
QString EncodePath(const QString& Path)
{
    static const char* const hex = "0123456789ABCDEF";
    QString out;
    out.reserve(Path.size());
    for (const char byte : Path.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == '%' || c == ' ' || c == '#' || c == '?' || c >= 128)
        {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        }
        else
            out += QLatin1Char(char(c));
    }
    return out;
}

QString FolderOf(const QString& FileName)
{
    return FileName.isEmpty() ? QString() : QFileInfo(FileName).absolutePath();
}

} // namespace

QString GetUrlFilter(int Kind)
{
    if (Kind < 0 || Kind >= int(std::size(UrlFilters)))
        return QLatin1String(AllFiles);
    return QLatin1String(UrlFilters[Kind]) + QLatin1Char('|') + QLatin1String(AllFiles);
}

QString CombineUrl(const QString& Base, const QString& Relative)
{
    const QUrl relative(Relative);
    if (Base.isEmpty() || !relative.scheme().isEmpty())
        return Relative;
    return QUrl::fromLocalFile(QFileInfo(Base).absoluteFilePath()).resolved(relative).toString();
}

QString UrlToFileName(const QString& Url)
{
    if (!Url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return {};
    return QUrl(Url).toLocalFile();
}

QString FileNameToUrl(const QString& BaseFileName, const QString& FileName)
{
    if (BaseFileName.isEmpty())
        return QStringLiteral("file://") + EncodePath(QFileInfo(FileName).absoluteFilePath());
    return EncodePath(QDir(FolderOf(BaseFileName)).relativeFilePath(FileName));
}

bool IsFolderUrl(const QString& Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isDir();
}

bool PickUrl(int Kind, const QString& DocumentFileName, QString& Url)
{
    // An empty field, or one naming no local file (an http address), proposes nothing and starts in the
    // document's folder; a folder is opened itself.
    QString file = Url.trimmed().isEmpty() ? QString() : UrlToFileName(CombineUrl(DocumentFileName, Url));
    QString folder = FolderOf(DocumentFileName);
    if (IsFolderUrl(file)) {
        folder = file;
        file.clear();
    } else if (!file.isEmpty()) {
        folder = FolderOf(file);
    }
    TFileDialog dialog(TFileDialog::fdOpen);
    dialog.Filter = GetUrlFilter(Kind);
    dialog.InitialDir = folder;
    dialog.FileName = file;
    dialog.PicturePreview = Kind == ukPicture;
    if (!dialog.Execute())
        return false;
    Url = FileNameToUrl(DocumentFileName, dialog.FileName);
    return true;
}
