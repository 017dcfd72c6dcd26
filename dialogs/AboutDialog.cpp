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

QLabel *AddLabel(QWidget *dialog, const QString &name, const QRect &place)
{
    auto *label = new QLabel(dialog);
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
    , m_siteBrowser(browser)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt leaves tool windows out of quit-on-last-window-closed; this one must
    // keep the program running after the main window has been closed.
    setAttribute(Qt::WA_QuitOnClose);
    setWindowIcon(ProgramIcon());
    setFixedSize(TwipsRect(0, 0, 5730, 2655).size());

    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    buildControls();
    load();
}

void AboutDialog::buildControls()
{
    // The button comes first, so that it is first in the tab order and has the focus.
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("cmdOK"));
    m_okButton->setGeometry(TwipsRect(4320, 2040, 1260, 345));
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    // Esc reaches QDialog::reject, which closes the dialog just as the button does.
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    QLabel *iconPicture = AddLabel(this, QStringLiteral("picIcon"), TwipsRect(240, 240, 540, 540));
    iconPicture->setAlignment(Qt::AlignCenter);
    iconPicture->setPixmap(ProgramPicture(32));

    m_titleLabel = AddLabel(this, QStringLiteral("lblTitle"), TwipsRect(930, 240, 3885, 240));
    SetTextColour(m_titleLabel, Qt::black);
    m_versionLabel = AddLabel(this, QStringLiteral("lblVersion"), TwipsRect(930, 480, 3885, 225));

    m_siteLabel = new ClickableLabel(QString(links::SiteRoot), this);
    m_siteLabel->setObjectName(QStringLiteral("Label1"));
    m_siteLabel->setToolTip(QString(links::SiteRoot));
    m_siteLabel->setCursor(Qt::PointingHandCursor);
    SetTextColour(m_siteLabel, QColor(0, 0, 255));
    QFont linkFont(QStringLiteral("MS Sans Serif"));
    linkFont.setStyleHint(QFont::SansSerif);
    linkFont.setPointSizeF(8.25);
    linkFont.setUnderline(true);
    m_siteLabel->setFont(linkFont);
    // The address is wider than its planned box in most fonts; the row is
    // free to the right, so the label grows to show it whole.
    const QRect sitePlace = TwipsRect(960, 840, 1815, 255);
    m_siteLabel->setGeometry(sitePlace.adjusted(0, 0, qMax(0, m_siteLabel->sizeHint().width() - sitePlace.width()), 0));
    connect(m_siteLabel, &ClickableLabel::clicked, this, [this] { links::OpenHomePage(m_siteBrowser, this); });

    m_salesLabel = AddLabel(this, QStringLiteral("Label2"), TwipsRect(960, 1080, 3885, 225));
    m_descriptionLabel = AddLabel(this, QStringLiteral("lblDescription"), TwipsRect(930, 1440, 4005, 690));
    SetTextColour(m_descriptionLabel, Qt::black);

    AddStroke(this, TwipsRect(90, 2445, 5654 - 90, 15), QColor(128, 128, 128));
    AddStroke(this, TwipsRect(105, 2460, 5654 - 105, 30), Qt::white);
}

// Runs on every opening: the launcher makes a new dialog each time.
void AboutDialog::load()
{
    setWindowTitle(QStringLiteral("LOOMSTEAD Beta"));
    m_versionLabel->setText(QStringLiteral("\u00A9 2026 Corvantis"));
    m_titleLabel->setText(QStringLiteral("LOOMSTEAD Beta"));
    m_descriptionLabel->setText(QStringLiteral("Written by the Corvantis web tools team.\n"
                                               "Write to help@ or bugs@corvantis.example"));
    m_salesLabel->setText(QStringLiteral("Email: sales@corvantis.example"));
}

} // namespace dialogs
