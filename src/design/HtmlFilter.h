#pragma once
// The design filter: stands between the document as the user wrote it and the page the design view edits.
//
// It owns the parsed source tree and turns it, in place, into the design form: elements the engine cannot
// show or edit sensibly become placeholders (a picture the engine cannot edit into; a sized img for an
// applet, marquee or object), elements whose size the user may drag get the report handler, and every
// element that must later be mapped back carries a design id ("dsgn_:::_N") that
// indexes a kept copy of its source node. From the design form it writes the design page; from the
// engine's edited body it maps back to the user's document; and it builds the design markup of new
// elements for the tag tools.
//
// A design id only ever counts when it names a kept node of the kind the design element stands for: an
// id pasted from another page, or one that names no kept node, is treated as no design id at all.
#include "HtmlFiler.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QByteArray;
class QIODevice;
class THtmlNode;
class THtmlTag;
class THtmlText;
class THtmlRoot;
class TPageCharset;
struct TDecodeReport;

// The opening of a design element answered by the open-tag builders: the markup ends in a blank, to
// which the tool appends its own attributes and the closing ">"; Node is the kept source node (owned by
// the filter) to which the tool may add attributes and children.
struct TOpenTag
{
    QString Html;
    QString Id;
    THtmlTag* Node = nullptr;
};

// The player's default of an object parameter. A distinct type so that the value and the default can
// never be passed the wrong way round.
struct TParamDefault
{
    explicit TParamDefault(QString text = QString()) : Text(std::move(text)) {}
    QString Text;
};

class THtmlFilter
{
public:
    THtmlFilter();
    ~THtmlFilter();
    THtmlFilter(const THtmlFilter&) = delete;
    THtmlFilter& operator=(const THtmlFilter&) = delete;

    static constexpr const char* DesignIdPrefix = "dsgn_:::_";
    static constexpr const char* ReportHandler = "external.Report(this);";

    const QString& Generator() const { return FGenerator; }
    void SetGenerator(const QString& generator) { FGenerator = generator; }
    // The character set the document is saved in (see HtmlEncode.h): the one a load read it in, Western for
    // a new document. Every declaration of the document names it. The text of the same document given to
    // SetSource keeps it: set it first when the text comes to a filter of its own.
    const std::shared_ptr<const TPageCharset>& PageCharset() const { return FCharset; }
    void SetPageCharset(std::shared_ptr<const TPageCharset> Charset);
    // Folder of the document's file with a trailing "/"; empty for a document without a file.
    const QString& BasePath() const { return FBasePath; }
    void SetBasePath(const QString& Path);

    // The source tree in design form (null before the first load) and the kept nodes.
    THtmlRoot* Source() const { return FSource.get(); }
    int NodeCount() const { return int(FNodes.size()); }
    THtmlNode* NodeAt(int index) const;

    // Frees the source tree and every kept node; the generator and base path stay.
    void Clear();

    // Loading. The new document is decoded and parsed completely before the old one is let go: a
    // decoding or parse error is raised (Exception) and leaves the previous document and its kept nodes
    // exactly as they were.
    // What the decoding met that the user should hear of goes into Report when one is given.
    void LoadFromStream(QIODevice& Stream, TDecodeReport* Report = nullptr);
    void LoadFromBytes(const QByteArray& Bytes);
    void SetSource(const QString& Html);
    void NewEmptyDocument();
    // Puts a transitional document type first when the source has none, without the system identifier that
    // would change how browsers lay the page out.
    void EnsureDocType();

    // The design page: the fixed design head with the document's own style sheets first in it, the body
    // as the writer writes it, CR LF and "</html>". Empty before the first load.
    void GetDesignText(QString& Text);
    static QString DesignHead();
    // The length of the head of the design page last written (the fixed head and the document's sheets).
    qsizetype DesignHeadLength() const { return FHeadSize; }
    // The document's own style sheets as the design page's head carries them, in document order: its
    // style elements and its links to style sheets beside the document (a relative address, loaded
    // through "idoc:"); nothing of the body, no script, no remote or absolute address.
    QString DocumentStyleSheets() const;

    // How the design view shows an image file: a class for its background picture and the source to
    // load. Remote, absolute and missing images show as "edit:trans.gif" over the class's picture; a
    // local file that exists shows from its file URL, without a class.
    void ResolveImageSource(const QString& Src, QString& DesignClass, QString& DesignSrc) const;

    // Mapping back and saving. Placeholders become their kept nodes again, design ids, classes and
    // handlers give way to the source's own attributes, links lose the design page's address, and a
    // tbody the engine gave a table the user wrote without one is dropped (its rows move up).
    // SetDesignText takes the engine's body into the source tree and answers a number for that reading
    // (0: none to build on). Given the number of an earlier reading and the lengths at the start and the
    // end of Html that are as they were in that reading's text, only what lies around the rest is read.
    qint64 SetDesignText(const QString& Html, qint64 Since = 0, qsizetype KeptStart = 0, qsizetype KeptEnd = 0);
    // The mapped-back document as a new tree (a copy; the source stays in design form).
    std::unique_ptr<THtmlRoot> DesignToSource() const;
    // The mapped-back document as text. Written from the source tree itself, mapped in place for the
    // write and put back into design form afterwards, so a large page is not copied for every save.
    void GetSourceText(QString& Html) const;
    // The document as the bytes of its file, in its character set, appended to Stream; nothing when there is
    // no document. Raises Exception "Stream write error" when the stream refuses any of it, never answering
    // as if all was written.
    void SaveToStream(QIODevice& Stream) const;
    QByteArray SaveToBytes() const;
    // Builds every byte first, then replaces the file through QSaveFile. False, leaving any existing file
    // whole, when there is no document or the file cannot be written.
    bool SaveToFile(const QString& FileName) const;

    // The number N of a design id "dsgn_:::_N"; -1 for anything else.
    static int DesignIdToIndex(const QString& Id);
    // The kept node behind a design id; null when Id is no design id or names no kept node.
    THtmlNode* FindNode(const QString& Id) const;
    // The kept node behind Id only when it is what a design element with tag identifier DesignTag can
    // stand for (a table for a table; an image, image button, placeholder source, applet, marquee or
    // object for an img; a placeholder source for a span); any other DesignTag asks no more than FindNode.
    THtmlNode* FindNodeFor(const QString& Id, int DesignTag) const;
    // Whether Id names a box the design page alone puts around a matched pair of block tags the reader
    // does not know (a figure, a section, ...): no element of the user's document.
    bool IsBlockWrapper(QStringView Id) const;
    // Whether an unknown block element of that name may stand on the design page as itself; one that does
    // carries the attribute BoxAttributeName names, and the tools see the element around it, as for any tag
    // the editor does not know.
    static bool IsShownByOwnName(QStringView Name);
    static QString BoxAttributeName() { return QStringLiteral("data-dsgn"); }
    // Width, then height of the kept element behind Id (an empty value removes the attribute). Given the
    // resized element's tag identifier, a kept node of another kind (behind a pasted id) is left alone.
    void SetNodeSize(const QString& Id, const QString& Width, const QString& Height, int DesignTag = -1);
    // A copy of the kept node behind Id, kept under the next design id, which is answered (empty when Id
    // names no kept node). A tool changes the copy and gives the design element the new id in the same
    // batch of writes as its other changes: undoing that batch brings the old id back, and with it the
    // kept node exactly as it was.
    QString KeepCopy(const QString& Id);

    // Placeholder builders: each keeps the new source node under the next design id and answers the
    // complete placeholder markup.
    QString NewAnchor(const QString& Name);
    QString NewComment(const QString& Text);
    QString NewScript(const QString& Type, const QString& Text, bool Defer);
    QString NewScriptFile(const QString& Src, const QString& Type, const QString& Charset, bool Defer);
    QString NewBgSound(const QString& Src, int Loop, bool AutoStart);
    QString NewHiddenInput(const QString& Name, const QString& Value);

    // Open-tag builders. A size (and a marquee's, object's or applet's alignment) given here is written
    // into the design markup and set on the kept node alike, so the element keeps it when saved.
    TOpenTag NewTable(const QString& Border, const QString& Width = QString(), const QString& Height = QString());
    TOpenTag NewImage(const QString& Src, const QString& Width = QString(), const QString& Height = QString());
    TOpenTag NewInputImage(const QString& Src, const QString& Name, const QString& Width = QString(),
                           const QString& Height = QString());
    TOpenTag NewObject(const QString& ClassId, const QString& Width = QString(), const QString& Height = QString(),
                       const QString& Align = QString());
    TOpenTag NewMarquee(const QString& Text, const QString& Width = QString(), const QString& Height = QString(),
                        const QString& Align = QString());
    TOpenTag NewApplet(const QString& Width = QString(), const QString& Height = QString(),
                       const QString& Align = QString());
    TOpenTag NewActiveX(const QString& Width = QString(), const QString& Height = QString(),
                        const QString& Align = QString());

    // The page-properties copy: the ten presentation attributes of the source body go to the kept body.
    void StoreBodyAttributes();
    // Sets src of the kept element behind Id (when there is one) and answers how Src shows in design.
    void SetImageSource(const QString& Id, const QString& Src, QString& DesignSrc, QString& DesignClass);
    // "#" + name of every kept map with a non-empty name, in kept order.
    void GetMapNames(QStringList& List) const;

    // Object parameters: creates, updates or removes the PARAM child named Name (ignoring case). A value
    // that is empty or equals the default (ignoring case) removes the parameter.
    static void SetObjectParam(THtmlTag* Object, const QString& Name, const QString& Value,
                               const TParamDefault& Default);
    static QString GetObjectParam(const THtmlTag* Object, const QString& Name);
    // Replaces every embed below Object by one new embed carrying Object's size, its id as name and one
    // attribute per named, non-empty parameter; answers the new embed (a child of Object).
    static THtmlTag* BuildObjectEmbed(THtmlTag* Object);

    // The design class of an object by its class id ("dsgn_activex" when the id is not one we know).
    static QString ObjectDesignClass(const QString& ClassId);
    // The class ids that have a design class of their own, in table order.
    static QStringList KnownClassIds();

private:
    // The blanks the user's text had right before the box's start tag and right after its end tag: the
    // line breaks the design page puts around a box read back as blanks, and those after it are dropped.
    struct TBlockEdges
    {
        bool BlankBefore = false;
        bool BlankAfter = false;
    };
    class TMappedSource;
    // Maps a tree in design form back to the user's document: a copy of the source when inPlace is null;
    // otherwise the source itself, every change being recorded in inPlace, which undoes them when it ends.
    void MapBack(THtmlRoot* root, TMappedSource* inPlace) const;
    void InstallTree(std::unique_ptr<THtmlRoot> tree);
    void PrepareDesignTree();
    void WrapUnknownBlocks();
    QStringView UnknownBlockTagOf(const THtmlNode* node, bool& end) const;
    bool ShowByOwnName(THtmlNode* start, THtmlNode* end, QStringView name);
    THtmlTag* WrapInDesignBox(THtmlNode* start, THtmlNode* end);
    void MapBackShownByName(THtmlText* start, std::unordered_set<const THtmlNode*>& seen,
                            std::unordered_map<const THtmlNode*, THtmlText*>& matched, TMappedSource* inPlace) const;
    THtmlNode* MapBackBlockWrapper(THtmlNode* root, THtmlTag* wrapper, const TBlockEdges& edges, bool repeated,
                                   TMappedSource* inPlace) const;
    QString NextDesignId() const;
    int Keep(THtmlNode* node);
    THtmlNode* KeptNode(int index) const;
    static int IndexOfDesignId(QStringView Id);
    THtmlNode* KeptNodeFor(QStringView Id, int DesignTag) const;
    THtmlNode* KeptNodeFor(int Index, int DesignTag) const;
    QString PlaceholderMarkup(THtmlNode* kept, const char* kind);
    TOpenTag ImageOpenTag(THtmlTag* kept, const QString& Src, const QString& Width, const QString& Height);
    TOpenTag PlaceholderOpenTag(THtmlTag* kept, const QString& designClass, const QString& Width,
                                const QString& Height, const QString& Align);

    QString FGenerator;
    std::shared_ptr<const TPageCharset> FCharset;
    std::unique_ptr<THtmlRoot> FSource;
    std::vector<std::unique_ptr<THtmlNode>> FNodes;
    // Kept tables whose source had no tbody child (the builders' tables among them).
    std::unordered_set<const THtmlNode*> FTablesWithoutTbody;
    // Kept markers of the design-only boxes around matched unknown block tags; a design id counts as one
    // such box only when it names one of these.
    std::unordered_map<const THtmlNode*, TBlockEdges> FBlockWrappers;
    // Kept start tags of the unknown block elements shown by their own name, with their kept end tags.
    std::unordered_map<const THtmlNode*, const THtmlNode*> FBoxEnds;
    QString FBasePath;
    // The length of the last text read or written, from which the room for the next one is reserved.
    mutable qsizetype FTextSize = 0;
    qsizetype FHeadSize = 0;
    // Where the reading of the body taken from the page stood between its tags: the next body taken is
    // read again only around what changed.
    THtmlReadPoints FBodyRead;
    qint64 FBodyReadNumber = 0;
};
