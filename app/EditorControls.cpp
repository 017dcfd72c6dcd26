#include "EditorControls.h"

#include "CaptionLineEdit.h"
#include "MetaFieldEdit.h"

#include <Twips.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <initializer_list>

namespace app {

namespace {

using dialogs::TwipsRect;
using metatags::MetaTag;

// accessibleName: what a screen reader says for a field; buttons say their caption.
template<typename Control>
Control *place(Control *control, const char *name, QRect twips, const QString &accessibleName = {})
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips);
    control->setAccessibleName(accessibleName);
    return control;
}

} // namespace

EditorControls BuildEditorControls(QWidget *client)
{
    EditorControls controls;

    // Qt puts each control over those made before it, so the ones that lie
    // under others are made first.
    place(new QLabel(QStringLiteral("META TAG: Title"), client), "Label1", TwipsRect(120, 2160, 1215, 195));
    place(new QLabel(QStringLiteral("META TAG: Keywords"), client), "Label2", TwipsRect(120, 5880, 1605, 195));
    place(new QLabel(QStringLiteral("META TAG: Description"), client), "Label3", TwipsRect(120, 4080, 1710, 195));
    QGroupBox *linkFrame = place(new QGroupBox(client), "Frame2", TwipsRect(120, 0, 6855, 495));
    QGroupBox *fileFrame = place(
        new QGroupBox(QStringLiteral("Meta Tag Generation"), client), "Frame1", TwipsRect(120, 480, 6855, 1095));
    const auto metaField = [client](MetaTag tag, const char *name, int top, const QString &accessibleName) {
        return place(new MetaFieldEdit(metatags::FieldLimit(tag), client), name, TwipsRect(120, top, 6855, 1455),
            accessibleName);
    };
    MetaFieldEdit *title = metaField(MetaTag::Title, "Text1", 2400, QObject::tr("Title"));
    MetaFieldEdit *description = metaField(MetaTag::Description, "Text2", 4320, QObject::tr("Description"));
    MetaFieldEdit *keywords = metaField(MetaTag::KeyWords, "Text3", 6120, QObject::tr("Keywords"));
    controls.fields = { title, description, keywords };
    place(new CaptionLineEdit(QStringLiteral("Original File"), client), "Text8", TwipsRect(1920, 720, 855, 285));
    place(new CaptionLineEdit(QStringLiteral("New File with Meta Tags"), client), "Text9",
        TwipsRect(1920, 1080, 1815, 285));
    controls.submit
        = place(new QPushButton(QStringLiteral("SUBMIT PAGE"), client), "Command3", TwipsRect(240, 160, 1455, 230));
    controls.reset
        = place(new QPushButton(QStringLiteral("RESET "), client), "Command5", TwipsRect(6000, 7620, 975, 230));

    controls.open
        = place(new QPushButton(QStringLiteral("&Open"), fileFrame), "Command1", TwipsRect(120, 240, 855, 255));
    controls.saveAs
        = place(new QPushButton(QStringLiteral("&Save As"), fileFrame), "Command2", TwipsRect(120, 600, 1335, 255));
    controls.originalPath
        = place(new QLineEdit(fileFrame), "Text6", TwipsRect(2760, 240, 3975, 285), QObject::tr("Original file"));
    controls.newPath = place(
        new QLineEdit(fileFrame), "Text7", TwipsRect(3600, 600, 3135, 285), QObject::tr("New file with meta tags"));
    controls.save
        = place(new QPushButton(QStringLiteral("&Save"), fileFrame), "Command4", TwipsRect(960, 240, 735, 255));

    controls.submissionLine = place(
        new CaptionLineEdit(QStringLiteral("Information on submitting your page to the Search Engines"), linkFrame),
        "Text4", TwipsRect(2160, 160, 4215, 285));

    const std::initializer_list<QWidget *> tabOrder = { title, description, keywords, controls.open, controls.saveAs,
        controls.originalPath, controls.newPath, controls.submit, controls.reset, controls.save, title };
    for (auto it = tabOrder.begin(); it + 1 != tabOrder.end(); ++it)
        QWidget::setTabOrder(*it, *(it + 1));

    return controls;
}

} // namespace app
