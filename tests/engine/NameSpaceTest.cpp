// The "edit:" and "idoc:" namespace: what each URL answers, byte for byte, and what the engine then shows.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "EngineBridge.h"
#include "NameSpace.h"
#include "TestHooks.h"

namespace {

TBeforeApplicationHook RegisterSchemes(RegisterEditorSchemes);

TEditUrlRequest Ask(const QString& url, const QByteArray& design = {}, const QString& base = {})
{
    TEditUrlRequest request;
    AnswerEditUrl(url, design, base, request);
    return request;
}

struct TPictureCase
{
    const char* Url;
    bool Found;
};

TEST(NameSpace, PlaceholderPicturesFollowTheCaseRules)
{
    const TPictureCase cases[] = {
        {"edit:trans.gif", true},
        {"EDIT:trans.gif", false},   // the scheme is compared exactly
        {"edit:Trans.gif", false},   // the selecting sixth character must be lower case
        {"edit:tRANS.GIF", true},    // the rest is compared ignoring case
        {"edit:comment.gif", true},
        {"edit:unknown.gif", true},
        {"edit:absolute.gif", true},
        {"edit:zzz.gif", false},     // outside "a" to "u"
        {"edit:trans.png", false},
        {"edit:trans.gif?x", false},
        {"edit:", false},
        {"edit", false},
        {"", false},
        {"http:trans.gif", false},
    };
    for (const auto& c : cases) {
        const TEditUrlRequest request = Ask(QString::fromLatin1(c.Url));
        EXPECT_EQ(request.Handled, c.Found) << c.Url;
        if (c.Found) {
            EXPECT_TRUE(request.Data.startsWith("GIF89a")) << c.Url;
            EXPECT_EQ(request.Size, request.Data.size()) << c.Url;
            EXPECT_EQ(request.MimeType, QStringLiteral("image/gif"));
        }
    }
}

TEST(NameSpace, AllTwentySixPicturesArePresentAndDistinct)
{
    const char* names[] = {"absolute", "activex", "anchor", "applet", "asp", "basefont", "bgsound", "broken", "comment",
                           "embed", "flash", "hidden", "isindex", "map", "marquee", "mplayer", "noframes",
                           "noscript", "php", "quicktime", "real", "remote", "script", "scriptfile", "trans",
                           "unknown"};
    QSet<QByteArray> seen;
    for (const char* name : names) {
        const TEditUrlRequest request = Ask(QStringLiteral("edit:%1.gif").arg(QLatin1String(name)));
        ASSERT_TRUE(request.Handled) << name;
        EXPECT_FALSE(seen.contains(request.Data)) << name;
        seen.insert(request.Data);
    }
}

TEST(NameSpace, TheDesignPageIsServedByteForByteEveryTime)
{
    QByteArray design = QStringLiteral("<html><body>\u00e9\u20ac</body></html>").toUtf8();
    design += QByteArray(3 * 1024 * 1024, 'x');
    for (const char* url : {"idoc:index.html", "IDOC:index.html", "idoc:INDEX.HTML", "idoc:index.html"}) {
        const TEditUrlRequest request = Ask(QString::fromLatin1(url), design, QStringLiteral("/nowhere/"));
        const bool lowerScheme = QByteArray(url).startsWith("idoc");
        EXPECT_EQ(request.Handled, lowerScheme) << url;
        if (lowerScheme) {
            EXPECT_EQ(request.Data, design);
            EXPECT_EQ(request.Size, design.size());
            EXPECT_EQ(request.MimeType, QStringLiteral("text/html;charset=utf-8"));
        }
    }
}

TEST(NameSpace, FilesBesideTheDocumentAreNamedExactlyAndOnlyRegularFilesServe)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.path() + QLatin1Char('/');
    QDir(dir.path()).mkpath(QStringLiteral("images/sub"));
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(base + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(QStringLiteral("images/a.gif"), "AAA");
    write(QStringLiteral("my%20pic.gif"), "PERCENT");
    write(QStringLiteral("my pic.gif"), "BLANK");
    ASSERT_EQ(::mkfifo(QFile::encodeName(base + QStringLiteral("pipe")).constData(), 0600), 0);

    TEditUrlRequest request = Ask(QStringLiteral("idoc:images/a.gif"), {}, base);
    ASSERT_TRUE(request.Handled);
    EXPECT_EQ(request.FileName, base + QStringLiteral("images/a.gif"));
    EXPECT_EQ(request.Size, 3);
    // No decoding of escapes: the name with "%20" in it is the one looked for.
    request = Ask(QStringLiteral("idoc:my%20pic.gif"), {}, base);
    ASSERT_TRUE(request.Handled);
    EXPECT_EQ(request.FileName, base + QStringLiteral("my%20pic.gif"));
    EXPECT_FALSE(Ask(QStringLiteral("idoc:images"), {}, base).Handled);        // a folder
    EXPECT_FALSE(Ask(QStringLiteral("idoc:images/sub"), {}, base).Handled);    // a folder
    EXPECT_FALSE(Ask(QStringLiteral("idoc:pipe"), {}, base).Handled);          // a pipe would block
    EXPECT_FALSE(Ask(QStringLiteral("idoc:null"), {}, QStringLiteral("/dev/")).Handled); // a device
    EXPECT_FALSE(Ask(QStringLiteral("idoc:missing.gif"), {}, base).Handled);
    // Without a file of that very name, the address as a browser reads it: no query, no fragment, escapes
    // decoded.
    write(QStringLiteral("theme.css"), "p {}");
    write(QStringLiteral("my theme.css"), "b {}");
    request = Ask(QStringLiteral("idoc:theme.css?2022.1"), {}, base);
    ASSERT_TRUE(request.Handled);
    EXPECT_EQ(request.FileName, base + QStringLiteral("theme.css"));
    EXPECT_EQ(request.MimeType, QStringLiteral("text/css"));
    EXPECT_EQ(Ask(QStringLiteral("idoc:my%20theme.css#top"), {}, base).FileName, base + QStringLiteral("my theme.css"));
    EXPECT_FALSE(Ask(QStringLiteral("idoc:missing.css?1"), {}, base).Handled);
    EXPECT_FALSE(Ask(QStringLiteral("Idoc:images/a.gif"), {}, base).Handled);   // scheme compared exactly
}

// Through the engine: the scheme handler answers the page, files beside it and the pictures.
class NameSpaceEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Base = Dir.path() + QLatin1Char('/');
        QFile picture(Base + QStringLiteral("pic.gif"));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        TEditUrlRequest comment;
        ASSERT_TRUE(LoadGlyphResource(QStringLiteral("comment"), comment));
        picture.write(comment.Data);
        picture.close();
        Profile = std::make_unique<QWebEngineProfile>();
        RegisterEditNameSpace(Profile.get(), [this](QObject*, const QString& url, TEditUrlRequest& request) {
            Requests << url;
            AnswerEditUrl(url, Design, Base, request);
        });
        Page = std::make_unique<QWebEnginePage>(Profile.get());
        Page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        Bridge = std::make_unique<TEngineBridge>(Page.get());
    }
    void TearDown() override
    {
        Bridge.reset();
        Page.reset();
        Profile.reset();
    }

    QTemporaryDir Dir;
    QString Base;
    QByteArray Design;
    QStringList Requests;
    std::unique_ptr<QWebEngineProfile> Profile;
    std::unique_ptr<QWebEnginePage> Page;
    std::unique_ptr<TEngineBridge> Bridge;
};

TEST_F(NameSpaceEngineTest, TheEngineShowsTheUtf8PageWithItsPictures)
{
    Design = QStringLiteral("<html><body contenteditable><p id=\"t\">caf\u00e9 \u20ac</p>"
                            "<img id=\"local\" src=\"pic.gif\"><img id=\"glyph\" src=\"edit:anchor.gif\">"
                            "<img id=\"bad\" src=\"edit:Anchor.gif\"><img id=\"spaced\" src=\"my%20pic.gif\">"
                            "</body></html>")
                 .toUtf8();
    ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html"))));
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral(
                               "(function(){const w=id=>document.getElementById(id).naturalWidth;"
                               "return [document.getElementById('t').textContent,w('local'),w('glyph'),w('bad'),"
                               "w('spaced')];})()"),
                           &value),
              TEngineBridge::TCallResult::Ok);
    const QVariantList answers = value.toList();
    ASSERT_EQ(answers.size(), 5);
    EXPECT_EQ(answers[0].toString(), QStringLiteral("caf\u00e9 \u20ac"));
    EXPECT_GT(answers[1].toInt(), 0);
    EXPECT_GT(answers[2].toInt(), 0);
    EXPECT_EQ(answers[3].toInt(), 0);
    EXPECT_EQ(answers[4].toInt(), 0);
    EXPECT_TRUE(Requests.contains(QStringLiteral("idoc:my%20pic.gif"))) << Requests.join(QLatin1Char(' ')).toStdString();
}

// A page of half a megabyte goes to the engine in many reads; a character cut between two of them
// must still arrive whole.
TEST_F(NameSpaceEngineTest, ALargeDesignPageArrivesWholeThroughTheScheme)
{
    QString text;
    QString page = QStringLiteral("<html><body>");
    for (int i = 0; text.size() < 512 * 1024; ++i) {
        QString line = QStringLiteral("line %1 ").arg(i);
        for (int j = 0; j < 40; ++j)
            line += QStringLiteral("caf\u00e9 \u20ac ") + QString((i + j) % 5, QLatin1Char('x'));
        // Now and then a character of four bytes, one that takes two UTF-16 units (few: the engine is slow
        // to look for a font for it).
        if (i % 16 == 0)
            line += QStringLiteral("\U00010348");
        text += line;
        page += QStringLiteral("<p>") + line + QStringLiteral("</p>");
    }
    Design = (page + QStringLiteral("</body></html>")).toUtf8();
    ASSERT_TRUE(Bridge->Load(QUrl(QStringLiteral("idoc:index.html"))));
    QVariant value;
    ASSERT_EQ(Bridge->Call(QStringLiteral("(function(){const t=document.body.textContent;"
                                          "let h=2166136261;for(let i=0;i<t.length;++i){h^=t.charCodeAt(i);"
                                          "h=Math.imul(h,16777619)>>>0;}return [t.length,h];})()"),
                           &value),
              TEngineBridge::TCallResult::Ok);
    quint32 hash = 2166136261u;
    for (QChar c : text) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    const QVariantList answer = value.toList();
    ASSERT_EQ(answer.size(), 2);
    EXPECT_EQ(answer[0].toLongLong(), text.size());
    EXPECT_EQ(answer[1].toLongLong(), qint64(hash));
}

} // namespace
