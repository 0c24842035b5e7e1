#include "ToolObjMedia.h"

#include "AsciiCase.h"
#include "HtmlAttributes.h"
#include "HtmlFilter.h"
#include "HtmlNodes.h"
#include "HtmlTags.h"
#include "PickUrls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace {

using C = TParamControl;

constexpr TMediaParam FlashParams[] = {
    {"movie", nullptr, C::Url, "EditMovie", "Movie"},
    {"quality", nullptr, C::Combo, "ComboQuality", "Quality", "high|medium|low|autohigh|autolow|best"},
    {"scale", nullptr, C::Combo, "ComboScale", "Scale", "default|noorder|exactfit"},
    {"align", nullptr, C::Combo, "ComboObjAlign", "Align", "l|t|r|b"},
    {"salign", nullptr, C::Combo, "ComboSAlign", "SAlign", "l|t|r|b|tl|tr|bl|br"},
    {"wmode", nullptr, C::Combo, "ComboWMode", "WMode", "window|opaque|transparent"},
    {"bgcolor", nullptr, C::Color, "EditBgColor", "Background Color"},
    {"base", nullptr, C::Edit, "EditBase", "Base URL"},
    {"flashvars", nullptr, C::Edit, "EditVars", "Flash Variables"},
    {"play", "true", C::Check, "CheckPlay", "Autoplay"},
    {"loop", "true", C::Check, "CheckLoop", "Loop"},
    {"swliveconnect", "false", C::Check, "CheckJava", "Load JAVA"},
    {"menu", "false", C::Check, "CheckMenu", "Display full menu"},
};

constexpr TMediaParam QuickTimeParams[] = {
    {"src", nullptr, C::Url, "EditMovie", "Movie"},
    {"volume", "100", C::Track, "TrackVolume", "Volume", nullptr, 0, 100, 10},
    {"fullscreen", "full", C::List, "ComboFullscreen", "Fullscreen", "normal|double|half|current|full"},
    {"loop", "false", C::List, "ComboLoop", "Loop", "true|false|palindrome"},
    {"autoplay", "true", C::Check, "CheckAutoplay", "Autoplay"},
    {"controller", "false", C::Check, "CheckController", "Controller"},
    {"playeveryframe", "false", C::Check, "CheckFrame", "Play every frame"},
    {"quitwhendone", "true", C::Check, "CheckQuit", "Quit when done"},
    {"kioskmode", "false", C::Check, "CheckKiosk", "Kiosk mode"},
    {"qtnext", nullptr, C::Edit, "EditQTNext", "QT Next"},
    {"href", nullptr, C::Edit, "EditHref", "HREF"},
};

constexpr TMediaParam RealParams[] = {
    {"src", nullptr, C::Url, "EditMovie", "Real Media"},
    {"autostart", "true", C::Check, "CheckAutostart", "Autostart"},
    {"shuffle", "false", C::Check, "CheckShuffle", "Shuffle"},
    {"prefetch", "false", C::Check, "CheckPrefetch", "Prefetch playback"},
    {"maintainaspect", "false", C::Check, "CheckAspect", "Maintain Aspect Ratio"},
    {"center", "false", C::Check, "CheckCenter", "Center movie"},
    {"imagestatus", "true", C::Check, "CheckStatus", "Show image status"},
    {"autogotourl", "true", C::Check, "CheckAutogo", "Auto Go To URL"},
    {"nojava", "false", C::Check, "CheckNoJava", "Don't load JAVA"},
    {"nolabels", "false", C::Check, "CheckHideLabels", "Hide Labels"},
    {"nologo", "false", C::Check, "CheckHideLogo", "Hide Logo"},
    {"loop", "false", C::Check, "CheckLoop", "Loop"},
    {"numloop", nullptr, C::Numeric, "EditLoop", "Loop Count"},
    {"backgroundcolor", "black", C::Color, "EditBgColor", "Background Color"},
    {"controls", "Default", C::ControlList, "ComboControls", "Controls"},
    {"console", "_unique", C::Combo, "ComboConsole", "Console", "_master|_unique"},
    {"scriptcallbacks", nullptr, C::Edit, "EditCallbacks", "Script Callbacks"},
    {"region", nullptr, C::Edit, "EditRegion", "Region"},
};

constexpr TMediaParam MediaParams[] = {
    {"URL", nullptr, C::Url, "EditMovie", "Media File"},
    {"PlayCount", "1", C::Edit, "EditPlayCount", "Play count"},
    {"Volume", "100", C::Track, "TrackVolume", "Volume", nullptr, 0, 100, 10},
    {"Balance", "0", C::Track, "TrackBalance", "Balance", nullptr, -100, 100, 20},
    {"Mute", "false", C::Check, "CheckMute", "Mute audio"},
    {"AutoStart", "true", C::Check, "CheckAutostart", "Autostart"},
    {"AutoSize", "true", C::Check, "CheckAutosize", "Autosize"},
    {"AnimationAtStart", "true", C::Check, "CheckAnimation", "Animation at start"},
    {"PreviewMode", "false", C::Check, "CheckPreview", "Preview Mode"},
    {"FullscreenMode", "false", C::Check, "CheckFullscreen", "Fullscreen"},
    {"EnableContextMenu", "true", C::Check, "CheckContext", "Enable context menu"},
    {"ShowControls", "true", C::Check, "CheckControls", "Show controls"},
    {"ShowAudioControls", "true", C::Check, "CheckAudioCtrls", "Show audio controls"},
    {"ShowDisplay", "true", C::Check, "CheckDisplay", "Show display"},
    {"ShowGotoBar", "false", C::Check, "CheckGoto", "Show GoTo bar"},
    {"ShowPositionControls", "true", C::Check, "CheckPosition", "Show position controls"},
    {"ShowStatusBar", "false", C::Check, "CheckStatus", "Show statusbar"},
    {"ShowTracker", "true", C::Check, "CheckTracker", "Show tracker"},
    {"InvokeURLs", "true", C::Check, "CheckInvoke", "Invoke URLs"},
    {"DefaultFrame", nullptr, C::Edit, "EditFrame", "Default frame"},
    {"BaseURL", nullptr, C::Edit, "EditBase", "Base URL"},
    {"ShowCaptioning", "false", C::Check, "CheckCaptioning", "Show captioning"},
    {"SAMIFileName", nullptr, C::Edit, "EditSamiFile", "SAMI Filename"},
    {"SAMILang", nullptr, C::Edit, "EditSamiLang", "SAMI Language"},
    {"SAMIStyle", nullptr, C::Edit, "EditSamiStyle", "SAMI Style"},
    {"CaptioningID", nullptr, C::Edit, "EditCaptionId", "Captioning ID"},
};

constexpr TRealControl RealControlRows[] = {
    {"Default", "All Playback Controls", 375, 100},
    {"All", "Control Panel, Simple", 350, 36},
    {"PlayOnlyButton", "Play Button", 26, 26},
    {"PlayButton", "Play / Pause Bar", 44, 26},
    {"StopButton", "Stop Button", 26, 26},
    {"PauseButton", "Pause Button", 26, 26},
    {"FFCtrl", "Fast Forward Button", 28, 18},
    {"RWCtrl", "Rewind Button", 28, 18},
    {"MuteCtrl", "Mute Button", 26, 26},
    {"HomeCtrl", "www.real.com Home Button", 45, 45},
    {"VolumeSlider", "Volume Slider", 26, 65},
    {"MuteVolume", "Mute / Volume Bar", 26, 88},
    {"ImageWindow", "Image Window", 176, 132},
    {"InfoVolumePanel", "Information / Volume Bar", 325, 55},
    {"PositionSlider", "Clip Position Slider", 120, 26},
    {"InfoPanel", "Information Panel", 300, 55},
    {"StatusBar", "Status Bar", 325, 30},
    {"StatusField", "Status Field", 200, 30},
    {"PositionField", "Position Field", 90, 30},
    {"TACCtrl", "Clip Information Field", 370, 32},
};

QString DefaultOf(const TMediaParam& Param)
{
    return Param.Default ? QLatin1String(Param.Default) : QString();
}

QStringList ItemsOf(const TMediaParam& Param)
{
    return Param.Items ? QString::fromLatin1(Param.Items).split(QLatin1Char('|')) : QStringList();
}

} // namespace

const TMediaPlayer PlayerFlash = {
    "  Flash Player Properties", "clsid:D27CDB6E-AE6D-11cf-96B8-444553540000", nullptr, ukFlash,
    "Please specify a movie first.", false,
    "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=6,0,0,0",
    "application/x-shockwave-flash", "http://www.macromedia.com/go/getflashplayer", FlashParams};

const TMediaPlayer PlayerQuickTime = {
    "  QuickTime Properties", "clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B", nullptr, ukQuickTime,
    "Please specify a movie first.", true, "http://www.apple.com/qtactivex/qtplugin.cab", "video/quicktime",
    "http://www.apple.com/quicktime/download/", QuickTimeParams};

const TMediaPlayer PlayerReal = {"  Real Player Properties", "clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA", nullptr,
                                 ukRealMedia, "Please specify a Real media first.", false, nullptr, nullptr, nullptr,
                                 RealParams};

const TMediaPlayer PlayerMedia = {"  Windows Media Player Properties", "clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6",
                                  "clsid:22D6F312-B0F6-11D0-94AB-0080C74C7E95", ukVideo,
                                  "Please specify a movie first.", false, nullptr, nullptr, nullptr, MediaParams};

// ---------------------------------------------------------------------------------------------------
// The Real player's controls

std::span<const TRealControl> RealControls()
{
    return RealControlRows;
}

int ControlIndexOf(const QString& Name)
{
    const QString name = Name.isEmpty() ? QStringLiteral("Default") : Name;
    for (size_t i = 0; i < std::size(RealControlRows); ++i)
        if (SameText(name, QLatin1String(RealControlRows[i].Name)))
            return int(i);
    return 0;
}

QString ControlNameAt(int Row)
{
    if (Row < 0 || Row >= int(std::size(RealControlRows)))
        return QStringLiteral("Default");
    return QLatin1String(RealControlRows[Row].Name);
}

QString ControlCaption(int Row)
{
    const TRealControl& c = RealControlRows[Row];
    return QStringLiteral("%1 (%2, %3x%4 pixels)")
        .arg(QLatin1String(c.Name), QLatin1String(c.Description))
        .arg(c.Width)
        .arg(c.Height);
}

// ---------------------------------------------------------------------------------------------------
// Model

TObjMediaModel::TObjMediaModel(const TMediaPlayer& Player) : Params(Player.Params.size()), FPlayer(Player) {}

const TObjMediaModel::TParamValue* TObjMediaModel::FindParam(const char* Name) const
{
    for (size_t i = 0; i < Params.size(); ++i)
        if (SameText(QLatin1String(FPlayer.Params[i].Name), QLatin1String(Name)))
            return &Params[i];
    return nullptr;
}

TObjMediaModel::TParamValue& TObjMediaModel::Param(const char* Name)
{
    if (const TParamValue* v = FindParam(Name))
        return const_cast<TParamValue&>(*v);
    throw std::out_of_range(Name);
}

void TObjMediaModel::DoLoad()
{
    Fields = {};
    const THtmlTag* node = AsTag(Node());
    if (!Element) {
        Fields.Width = QStringLiteral("400");
        Fields.Height = QStringLiteral("300");
    } else if (node) {
        Fields.Width = node->GetAttribute(ATTR_WIDTH);
        Fields.Height = node->GetAttribute(ATTR_HEIGHT);
        Fields.Align = node->GetAttribute(ATTR_ALIGN);
        Fields.Loading = node->GetAttribute(ATTR_STANDBY);
    }
    for (size_t i = 0; i < Params.size(); ++i) {
        const TMediaParam& param = FPlayer.Params[i];
        const QString byDefault = DefaultOf(param);
        // A new object shows every parameter at the player's default.
        const QString value = Element ? THtmlFilter::GetObjectParam(node, QLatin1String(param.Name)) : byDefault;
        TParamValue& v = Params[i];
        v = {};
        switch (param.Control) {
        case C::Check:
            if (SameText(value, QLatin1String("true"))) {
                v.Checked = true;
            } else if (SameText(value, QLatin1String("false"))) {
                v.Checked = false;
            } else {
                v.Checked = SameText(byDefault, QLatin1String("true"));
                v.Kept = value;
                v.KeptChecked = v.Checked;
            }
            break;
        case C::Track: {
            bool ok = false;
            v.Position = value.toInt(&ok);
            if (!ok)
                v.Position = byDefault.toInt();
            break;
        }
        case C::ControlList:
            v.Position = ControlIndexOf(value);
            if (!value.isEmpty() && value != ControlNameAt(v.Position)) {
                if (!SameText(value, ControlNameAt(v.Position)))
                    v.Position = int(std::size(RealControlRows));
                v.Kept = value;
                v.KeptPosition = v.Position;
            }
            break;
        default:
            v.Text = value;
        }
    }
}

QString TObjMediaModel::ParamValue(size_t Index) const
{
    const TParamValue& v = Params[Index];
    switch (FPlayer.Params[Index].Control) {
    case C::Check:
        // A value the box cannot show stays until the user changes the box.
        if (!v.Kept.isEmpty() && v.Checked == v.KeptChecked)
            return v.Kept;
        return v.Checked ? QStringLiteral("true") : QStringLiteral("false");
    case C::Track: return QString::number(v.Position);
    case C::ControlList:
        if (!v.Kept.isEmpty() && v.Position == v.KeptPosition)
            return v.Kept;
        return ControlNameAt(v.Position);
    default: return TrimField(v.Text);
    }
}

void TObjMediaModel::ControlsChanged(int Row)
{
    if (Row < 0 || Row >= int(std::size(RealControlRows)))
        return;
    Param("controls").Position = Row;
    Fields.Width = QString::number(RealControlRows[Row].Width);
    Fields.Height = QString::number(RealControlRows[Row].Height);
}

TFieldError TObjMediaModel::Check() const
{
    const TParamValue* link = FPlayer.HrefIsEnough ? FindParam("href") : nullptr;
    const bool hasLink = link && !link->Text.isEmpty();
    if (Params[0].Text.isEmpty() && !hasLink)
        return TFieldError::Refuse(QLatin1String(FPlayer.MovieMissing), &Params[0].Text);
    return {};
}

void TObjMediaModel::WriteParams(THtmlTag* Object) const
{
    if (!Object)
        return;
    if (FPlayer.Codebase)
        SetNodeAttribute(Object, ATTR_CODEBASE, QLatin1String(FPlayer.Codebase));
    for (size_t i = 0; i < Params.size(); ++i) {
        const TMediaParam& param = FPlayer.Params[i];
        THtmlFilter::SetObjectParam(Object, QLatin1String(param.Name), ParamValue(i), TParamDefault(DefaultOf(param)));
    }
    THtmlTag* embed = THtmlFilter::BuildObjectEmbed(Object);
    if (FPlayer.EmbedType) {
        embed->SetRawAttribute(QStringLiteral("type"), QLatin1String(FPlayer.EmbedType));
        embed->SetRawAttribute(QStringLiteral("pluginspage"), QLatin1String(FPlayer.PluginsPage));
    }
}

QString TObjMediaModel::GetHtml()
{
    // The builder writes the size and alignment into the placeholder and onto the object alike.
    const TOpenTag open = Filter->NewObject(QLatin1String(FPlayer.ClassId), Fields.Width, Fields.Height, Fields.Align);
    QString html = open.Html;
    html.chop(1);
    SetNodeAttribute(open.Node, ATTR_STANDBY, TrimField(Fields.Loading));
    WriteParams(open.Node);
    return html + QLatin1Char('>');
}

void TObjMediaModel::Apply(TElementWrites& Writes)
{
    if (!Element)
        return;
    THtmlTag* node = AsTag(EditNode(Writes));
    ApplyPictureBox(Writes, node, TrimField(Fields.Width), TrimField(Fields.Height), Fields.Align);
    if (!node)
        return;
    SetNodeAttribute(node, ATTR_STANDBY, TrimField(Fields.Loading));
    WriteParams(node);
}

// ---------------------------------------------------------------------------------------------------
// Form

TFormToolObjMedia::TFormToolObjMedia(const TMediaPlayer& Player, QWidget* Parent)
    : TTagEditor(QLatin1String(Player.Caption), Parent), FModel(Player)
{
    TObjMediaModel::TFields& f = FModel.Fields;
    const TMediaParam& movie = Player.Params[0];
    QGridLayout* general = AddPage(QStringLiteral("General"));
    AddUrlEdit(general, movie.ControlName, "BtnMovie", QLatin1String(movie.Label), FModel.Params[0].Text,
               Player.UrlKind);
    SetNumericEdit(AddEdit(general, "EditWidth", QStringLiteral("Width"), f.Width));
    SetNumericEdit(AddEdit(general, "EditHeight", QStringLiteral("Height"), f.Height));
    AddCombo(general, "ComboAlign", QStringLiteral("Alignment"), f.Align, ImageAlignItems(), TComboKind::Editable);
    AddEdit(general, "EditLoading", QStringLiteral("Loading message"), f.Loading);
    general->setRowStretch(general->rowCount(), 1);

    QGridLayout* page = AddPage(QStringLiteral("Parameters"));
    // The check boxes go two to a row below the other controls.
    auto* checks = new QGridLayout();
    int checkCount = 0;
    for (size_t i = 1; i < Player.Params.size(); ++i) {
        const TMediaParam& param = Player.Params[i];
        TObjMediaModel::TParamValue& v = FModel.Params[i];
        const QString label = QLatin1String(param.Label);
        switch (param.Control) {
        case C::Url:
        case C::Edit: AddEdit(page, param.ControlName, label, v.Text); break;
        case C::Numeric: SetNumericEdit(AddEdit(page, param.ControlName, label, v.Text)); break;
        case C::Color: {
            AddColorEdit(page, param.ControlName, "BtnBgColor", label, v.Text);
            if (auto* button = findChild<QAbstractButton*>(QStringLiteral("BtnBgColor")))
                button->setToolTip(QStringLiteral("Change TreeView Color"));
            break;
        }
        case C::Combo:
            AddCombo(page, param.ControlName, label, v.Text, ItemsOf(param), TComboKind::Editable);
            break;
        case C::List: AddCombo(page, param.ControlName, label, v.Text, ItemsOf(param), TComboKind::List); break;
        case C::Check: {
            auto* check = new QCheckBox(label, page->parentWidget());
            check->setObjectName(QLatin1String(param.ControlName));
            checks->addWidget(check, checkCount / 2, checkCount % 2);
            ++checkCount;
            Bind(check, &v.Checked, [check, &v] { check->setChecked(v.Checked); },
                 [check, &v] { v.Checked = check->isChecked(); });
            break;
        }
        case C::Track: {
            auto* box = new QWidget(page->parentWidget());
            auto* row = new QHBoxLayout(box);
            row->setContentsMargins(0, 0, 0, 0);
            auto* track = new QSlider(Qt::Horizontal, box);
            track->setObjectName(QLatin1String(param.ControlName));
            track->setRange(param.Min, param.Max);
            track->setTickInterval(param.Tick);
            track->setTickPosition(QSlider::TicksBelow);
            auto* shown = new QLabel(box);
            shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QStringLiteral("-100")));
            connect(track, &QSlider::valueChanged, shown, [shown](int value) { shown->setNum(value); });
            row->addWidget(track, 1);
            row->addWidget(shown);
            AddControl(page, label, box, &v.Position, [track, shown, &v] {
                track->setValue(v.Position);
                shown->setNum(track->value());
            }, [track, &v] { v.Position = track->value(); });
            break;
        }
        case C::ControlList: {
            auto* list = new QComboBox(page->parentWidget());
            list->setObjectName(QLatin1String(param.ControlName));
            for (int row = 0; row < int(RealControls().size()); ++row)
                list->addItem(ControlCaption(row));
            AddControl(page, label, list, &v.Position, [list, &v] {
                const int rows = int(RealControls().size());
                while (list->count() > rows)
                    list->removeItem(rows);
                if (v.Position >= rows)
                    list->addItem(v.Kept);
                list->setCurrentIndex(v.Position);
            }, [list, &v] { v.Position = list->currentIndex(); });
            // Only the user's choice sets the size, not the showing of a stored value.
            connect(list, &QComboBox::activated, this, [this](int row) {
                ControlsToModel();
                FModel.ControlsChanged(row);
                ModelToControls();
            });
            break;
        }
        }
    }
    page->addLayout(checks, page->rowCount(), 0, 1, 3);
    page->setRowStretch(page->rowCount(), 1);
}

// ---------------------------------------------------------------------------------------------------
// Tools

bool TToolObjMedia::CanEdit(const TElementSnapshot& Element, const THtmlFilter& Filter) const
{
    const THtmlTag* node = KeptElement(Element, Filter, TAG_OBJECT);
    if (!node)
        return false;
    const QString classId = node->GetAttribute(ATTR_CLASSID);
    return SameText(classId, QLatin1String(FPlayer.ClassId)) ||
           (FPlayer.OlderClassId && SameText(classId, QLatin1String(FPlayer.OlderClassId)));
}
