#include "AboutDialog.h"

#include "ClickableLabel.h"
#include "ProgramIcon.h"
#include "SiteLinks.h"
#include "Twips.h"

#include <QLabel>
#include <QPushButton>

namespace dialogs {

namespace {

void SetTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// One stroke of the etched separator under the button.
void AddStroke(QWidget *dialog, const QRect &place, const QColor &colour)
{
    auto *stroke = new QWidget(dialog);
    stroke->setObjectName(QStringLiteral("Line1"));
    stroke->setGeometry(place);
    stroke->setAutoFillBackground(true);
    QPalette palette = stroke->palette();
    palette.setColor(QPalette::Window, colour);
    stroke->setPalette(palette);
}

QLabel *AddLabel(QWidget *dialog, const QString &name, const QRect &place, const QString &text)
{
    auto *label = new QLabel(text, dialog);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

AboutDialog::AboutDialog(links::Browser &browser)
    // A tool window keeps the dialog off the taskbar; the rest gives a fixed
    // frame with a close box and no minimise or maximise button.
    : QDialog(nullptr,
        Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt leaves tool windows out of quit-on-last-window-closed; this one must
    // keep the program running after the main window has been closed.
    setAttribute(Qt::WA_QuitOnClose);
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("LOOMSTEAD Beta"));
    setFixedSize(TwipsRect(0, 0, 5730, 2655).size());

    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    // The button comes first, so that it is first in the tab order; with the focus
    // it is also the default button.
    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setGeometry(TwipsRect(4320, 2040, 1260, 345));
    okButton->setFocus();
    // Esc reaches QDialog::reject, which closes the dialog just as the button does.
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    QLabel *iconPicture = AddLabel(this, QStringLiteral("picIcon"), TwipsRect(240, 240, 540, 540), {});
    iconPicture->setAlignment(Qt::AlignCenter);
    iconPicture->setPixmap(ProgramPicture(32));

    QLabel *title
        = AddLabel(this, QStringLiteral("lblTitle"), TwipsRect(930, 240, 3885, 240), QStringLiteral("LOOMSTEAD Beta"));
    SetTextColour(title, Qt::black);
    AddLabel(
        this, QStringLiteral("lblVersion"), TwipsRect(930, 480, 3885, 225), QStringLiteral("\u00A9 2026 Corvantis"));

    auto *siteLabel = new ClickableLabel(QString(links::SiteRoot), this);
    siteLabel->setObjectName(QStringLiteral("Label1"));
    siteLabel->setToolTip(QString(links::SiteRoot));
    siteLabel->setCursor(Qt::PointingHandCursor);
    SetTextColour(siteLabel, QColor(0, 0, 255));
    QFont linkFont(QStringLiteral("MS Sans Serif"));
    linkFont.setStyleHint(QFont::SansSerif);
    linkFont.setPointSizeF(8.25);
    linkFont.setUnderline(true);
    siteLabel->setFont(linkFont);
    // The address is wider than its planned box in most fonts; the row is
    // free to the right, so the label grows to show it whole.
    const QRect sitePlace = TwipsRect(960, 840, 1815, 255);
    siteLabel->setGeometry(sitePlace.adjusted(0, 0, qMax(0, siteLabel->sizeHint().width() - sitePlace.width()), 0));
    connect(siteLabel, &ClickableLabel::clicked, this,
        [this, site = &browser] { links::OpenSitePage(*site, this, links::SitePage::Home); });

    AddLabel(this, QStringLiteral("Label2"), TwipsRect(960, 1080, 3885, 225),
        QStringLiteral("Email: sales@corvantis.example"));
    QLabel *description = AddLabel(this, QStringLiteral("lblDescription"), TwipsRect(930, 1440, 4005, 690),
        QStringLiteral("Written by the Corvantis web tools team.\nWrite to help@ or bugs@corvantis.example"));
    SetTextColour(description, Qt::black);

    AddStroke(this, TwipsRect(90, 2445, 5654 - 90, 15), QColor(128, 128, 128));
    AddStroke(this, TwipsRect(105, 2460, 5654 - 105, 30), Qt::white);
}

} // namespace dialogs
