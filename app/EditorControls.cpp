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

template<typename Control> Control *place(Control *control, const char *name, QRect twips)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(twips);
    return control;
}

QPushButton *button(const QString &caption, QWidget *parent, const char *name, QRect twips)
{
    QPushButton *control = place(new QPushButton(caption, parent), name, twips);
    control->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return control;
}

MetaFieldEdit *metaField(
    metatags::MetaTag tag, const QString &accessibleName, QWidget *parent, const char *name, QRect twips)
{
    MetaFieldEdit *control = place(new MetaFieldEdit(metatags::FieldLimit(tag), parent), name, twips);
    control->setAccessibleName(accessibleName);
    return control;
}

QLineEdit *pathField(const QString &accessibleName, QWidget *parent, const char *name, QRect twips)
{
    QLineEdit *control = place(new QLineEdit(parent), name, twips);
    control->setAccessibleName(accessibleName);
    return control;
}

// Controls listed first lie over the ones listed after them.
void stackTopFirst(std::initializer_list<QWidget *> controls)
{
    for (auto it = std::rbegin(controls); it != std::rend(controls); ++it)
        (*it)->raise();
}

} // namespace

EditorControls BuildEditorControls(QWidget *client)
{
    EditorControls controls;

    QGroupBox *fileFrame = place(
        new QGroupBox(QStringLiteral("Meta Tag Generation"), client), "Frame1", TwipsRect(120, 480, 6855, 1095));
    QGroupBox *linkFrame = place(new QGroupBox(client), "Frame2", TwipsRect(120, 0, 6855, 495));

    controls.reset = button(QStringLiteral("RESET "), client, "Command5", TwipsRect(6000, 7620, 975, 230));
    controls.submit = button(QStringLiteral("SUBMIT PAGE"), client, "Command3", TwipsRect(240, 160, 1455, 230));
    auto *newFileCaption = place(new CaptionLineEdit(QStringLiteral("New File with Meta Tags"), client), "Text9",
        TwipsRect(1920, 1080, 1815, 285));
    auto *originalFileCaption
        = place(new CaptionLineEdit(QStringLiteral("Original File"), client), "Text8", TwipsRect(1920, 720, 855, 285));
    using metatags::MetaTag;
    MetaFieldEdit *keywords
        = metaField(MetaTag::KeyWords, QObject::tr("Keywords"), client, "Text3", TwipsRect(120, 6120, 6855, 1455));
    MetaFieldEdit *description = metaField(
        MetaTag::Description, QObject::tr("Description"), client, "Text2", TwipsRect(120, 4320, 6855, 1455));
    MetaFieldEdit *title
        = metaField(MetaTag::Title, QObject::tr("Title"), client, "Text1", TwipsRect(120, 2400, 6855, 1455));
    controls.fields = { title, description, keywords };

    controls.save = button(QStringLiteral("&Save"), fileFrame, "Command4", TwipsRect(960, 240, 735, 255));
    controls.newPath
        = pathField(QObject::tr("New file with meta tags"), fileFrame, "Text7", TwipsRect(3600, 600, 3135, 285));
    controls.originalPath
        = pathField(QObject::tr("Original file"), fileFrame, "Text6", TwipsRect(2760, 240, 3975, 285));
    controls.saveAs = button(QStringLiteral("&Save As"), fileFrame, "Command2", TwipsRect(120, 600, 1335, 255));
    controls.open = button(QStringLiteral("&Open"), fileFrame, "Command1", TwipsRect(120, 240, 855, 255));

    controls.submissionLine = place(
        new CaptionLineEdit(QStringLiteral("Information on submitting your page to the Search Engines"), linkFrame),
        "Text4", TwipsRect(2160, 160, 4215, 285));

    auto *descriptionLabel
        = place(new QLabel(QStringLiteral("META TAG: Description"), client), "Label3", TwipsRect(120, 4080, 1710, 195));
    auto *keywordsLabel
        = place(new QLabel(QStringLiteral("META TAG: Keywords"), client), "Label2", TwipsRect(120, 5880, 1605, 195));
    auto *titleLabel
        = place(new QLabel(QStringLiteral("META TAG: Title"), client), "Label1", TwipsRect(120, 2160, 1215, 195));

    stackTopFirst({ controls.reset, controls.submit, newFileCaption, originalFileCaption, keywords, description, title,
        fileFrame, linkFrame, descriptionLabel, keywordsLabel, titleLabel });
    stackTopFirst({ controls.save, controls.newPath, controls.originalPath, controls.saveAs, controls.open });

    const std::initializer_list<QWidget *> tabOrder = { title, description, keywords, controls.open, controls.saveAs,
        controls.originalPath, controls.newPath, controls.submit, controls.reset, controls.save, title };
    for (auto it = tabOrder.begin(); it + 1 != tabOrder.end(); ++it)
        QWidget::setTabOrder(*it, *(it + 1));

    return controls;
}

} // namespace app
