#pragma once
// The plug-in movie and media tools: a Flash movie, a QuickTime movie, a Real media clip and a Windows
// Media Player. Each writes an object with its player's class id, one PARAM per parameter that differs
// from the player's default, and an embed as the object's last child repeating the size and parameters.
// The design page shows the object as a placeholder image; the dialogs edit its source node in place.
//
// The four are one family: one model and one form, driven by each player's table.
#include "TagEditors.h"
#include "TagModels.h"
#include "ToolManager.h"

#include <span>
#include <vector>

class THtmlTag;

// How a parameter is shown and what its value is made of.
enum class TParamControl {
    Url,         // the movie: an edit with a browse button; text
    Edit,        // text
    Numeric,     // text, digits only
    Color,       // text, with a colour button
    Combo,       // editable drop-down; text as typed
    List,        // drop-down list: one of its items, or the value the object already holds
    Check,       // "true" or "false"
    Track,       // a track bar; its position in decimal
    ControlList, // Real's fixed list of controls; the name of the chosen row
};

struct TMediaParam
{
    const char* Name;        // as written, and as looked up without regard to case
    const char* Default;     // the player's default; null: written whenever not empty
    TParamControl Control;
    const char* ControlName;
    const char* Label;
    const char* Items = nullptr; // a drop-down's list, "|"-separated
    int Min = 0, Max = 0, Tick = 0;
};

// One member of the family.
struct TMediaPlayer
{
    const char* Caption;        // the dialog's caption
    const char* ClassId;        // written for a new object
    const char* OlderClassId;   // also taken by the tool (null when none)
    int UrlKind;                // the movie's browse kind
    const char* MovieMissing;   // the message of OK without a movie
    bool HrefIsEnough;          // a link (the "href" parameter) stands in for the movie
    const char* Codebase;       // object codebase (null: none written)
    const char* EmbedType;      // embed type and plug-in page (null: none written)
    const char* PluginsPage;
    std::span<const TMediaParam> Params; // in writing order; the first is the movie
};

extern const TMediaPlayer PlayerFlash;
extern const TMediaPlayer PlayerQuickTime;
extern const TMediaPlayer PlayerReal;
extern const TMediaPlayer PlayerMedia;

// The Real player's controls: 20 rows of name, description and size in pixels.
struct TRealControl
{
    const char* Name;
    const char* Description;
    int Width;
    int Height;
};
std::span<const TRealControl> RealControls();
// The row whose name equals Name without regard to case; an empty name counts as "Default"; row 0 when
// none matches.
int ControlIndexOf(const QString& Name);
// The row's name; "Default" for a row outside the table (no selection).
QString ControlNameAt(int Row);
// A row as the list shows it: "StatusBar (Status Bar, 325x30 pixels)".
QString ControlCaption(int Row);

class TObjMediaModel : public TTagModel
{
public:
    explicit TObjMediaModel(const TMediaPlayer& Player);

    struct TFields
    {
        QString Width;
        QString Height;
        QString Align;
        QString Loading;
    };
    // One parameter's control. A check box whose stored value is neither "true" nor "false" shows its
    // default and keeps that value (Kept) for as long as the box stays as it was shown (KeptChecked).
    // Real's controls list keeps a name it spells otherwise, or lacks (shown as a row of its own after the
    // table's), for as long as that row stays chosen (KeptPosition).
    struct TParamValue
    {
        QString Text;
        bool Checked = false;
        int Position = 0;
        QString Kept;
        bool KeptChecked = false;
        int KeptPosition = -1;
    };
    TFields Fields;
    std::vector<TParamValue> Params; // parallel to the player's table; Params[0] is the movie

    const TMediaPlayer& Player() const { return FPlayer; }
    TParamValue& Param(const char* Name);
    const TParamValue* FindParam(const char* Name) const;
    // What the parameter at Index writes (before the comparison with its default).
    QString ParamValue(size_t Index) const;
    // Real: the user chose a row of the controls list; the size becomes the control's.
    void ControlsChanged(int Row);

    TFieldError Check() const override;
    QString GetHtml() override;
    void Apply(TElementWrites& Writes) override;

protected:
    void DoLoad() override;

private:
    // The codebase, the parameters and the embed of Object.
    void WriteParams(THtmlTag* Object) const;

    const TMediaPlayer& FPlayer;
};

class TFormToolObjMedia : public TTagEditor
{
    Q_OBJECT
public:
    TFormToolObjMedia(const TMediaPlayer& Player, QWidget* Parent);
    TTagModel& Model() override { return FModel; }
    TObjMediaModel& MediaModel() { return FModel; }

private:
    TObjMediaModel FModel;
};

class TFormToolObjFlash : public TFormToolObjMedia
{
    Q_OBJECT
public:
    explicit TFormToolObjFlash(QWidget* Parent = nullptr) : TFormToolObjMedia(PlayerFlash, Parent) {}
};

class TFormToolObjQuickTime : public TFormToolObjMedia
{
    Q_OBJECT
public:
    explicit TFormToolObjQuickTime(QWidget* Parent = nullptr) : TFormToolObjMedia(PlayerQuickTime, Parent) {}
};

class TFormToolObjReal : public TFormToolObjMedia
{
    Q_OBJECT
public:
    explicit TFormToolObjReal(QWidget* Parent = nullptr) : TFormToolObjMedia(PlayerReal, Parent) {}
};

class TFormToolObjMPlayer : public TFormToolObjMedia
{
    Q_OBJECT
public:
    explicit TFormToolObjMPlayer(QWidget* Parent = nullptr) : TFormToolObjMedia(PlayerMedia, Parent) {}
};

// Takes the placeholder of an object whose class id is one of the player's.
class TToolObjMedia : public TToolItem
{
public:
    TToolObjMedia(const TToolRow& Row, const TMediaPlayer& Player) : TToolItem(Row), FPlayer(Player) {}
    bool CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const override;

private:
    const TMediaPlayer& FPlayer;
};

class TToolObjFlash : public TToolObjMedia
{
public:
    explicit TToolObjFlash(const TToolRow& Row) : TToolObjMedia(Row, PlayerFlash) {}
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolObjFlash>(); }
};

class TToolObjQuickTime : public TToolObjMedia
{
public:
    explicit TToolObjQuickTime(const TToolRow& Row) : TToolObjMedia(Row, PlayerQuickTime) {}
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolObjQuickTime>(); }
};

class TToolObjReal : public TToolObjMedia
{
public:
    explicit TToolObjReal(const TToolRow& Row) : TToolObjMedia(Row, PlayerReal) {}
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolObjReal>(); }
};

class TToolObjMPlayer : public TToolObjMedia
{
public:
    explicit TToolObjMPlayer(const TToolRow& Row) : TToolObjMedia(Row, PlayerMedia) {}
    TTagEditor* GetEditor() override { return SharedEditor<TFormToolObjMPlayer>(); }
};
