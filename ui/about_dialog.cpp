// The about dialog's widgets, placed at their design positions.
#include "ui/about_dialog.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>

namespace tessary {
namespace {

constexpr int kMargin = 8;
constexpr int kLineHeight = 18;
constexpr int kSlotWidth = 192;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int top) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(kMargin, top, kAboutDesignWidth - 2 * kMargin, kLineHeight);
  return label;
}

// Blue, bold, underlined and with the hand cursor: it opens a web page.
void MakeLink(QLabel& label) {
  QFont font = label.font();
  font.setBold(true);
  font.setUnderline(true);
  label.setFont(font);
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label.setPalette(palette);
  label.setCursor(Qt::PointingHandCursor);
}

// A 3-pixel-high group box used as a separator line.
QFrame* MakeRule(QWidget* parent, const char* name, int top) {
  auto* rule = new QFrame(parent);
  rule->setObjectName(QString::fromLatin1(name));
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(kMargin, top, kAboutDesignWidth - 2 * kMargin, 3);
  return rule;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      open_link_([](const QString& address) { QDesktopServices::openUrl(QUrl(address)); }) {
  setObjectName("frmAbout");
  setModal(false);

  lableSoftVer = MakeLabel(this, "lableSoftVer", QString(), 12);
  QFont bold = lableSoftVer->font();
  bold.setBold(true);
  lableSoftVer->setFont(bold);
  Label2 = MakeLabel(this, "Label2", QString::fromLatin1(kAboutBuildText), 36);
  GroupBox1 = MakeRule(this, "GroupBox1", 60);
  Label3 = MakeLabel(this, "Label3", QString::fromLatin1(kAboutCompanyText), 70);
  Label5 = MakeLabel(this, "Label5", QString::fromLatin1(kMakerWebAddress), 90);
  MakeLink(*Label5);
  Label5->installEventFilter(this);

  labelParterner = MakeLabel(this, "labelParterner", QString(), kPartnerHeadingTop);
  GroupBox2 = MakeRule(this, "GroupBox2", kPartnerSeparatorTop);
  lblSpecialDesc = MakeLabel(this, "lblSpecialDesc", QString(), kPartnerHeadingTop);
  lblSpecialDesc->hide();
  for (std::size_t k = 0; k < slots_.size(); ++k) {
    QLabel* slot = MakeLabel(this, "labelParternerWebSite", QString(), kPartnerFirstRowTop);
    slot->setObjectName(QStringLiteral("labelParternerWebSite%1").arg(k));
    MakeLink(*slot);
    slot->installEventFilter(this);
    slots_[k] = slot;
  }
  ShowPartners(AboutPartners{});
}

void AboutDialog::ShowPartners(const AboutPartners& partners) {
  partners_ = partners;
  lblSpecialDesc->hide();
  labelParterner->move(kMargin, partners.heading_top);
  GroupBox2->move(kMargin, partners.separator_top);
  labelParterner->setText(QString::fromStdString(partners.heading));
  labelParterner->setVisible(partners.heading_visible);
  GroupBox2->setVisible(partners.heading_visible);
  for (std::size_t k = 0; k < slots_.size(); ++k) {
    const PartnerSlot& data = partners.partner_slots[k];
    QLabel* slot = slots_[k];
    slot->setVisible(data.visible);
    slot->setToolTip(QString::fromStdString(data.hint));
    if (!data.visible) continue;
    slot->setText(QString::fromStdString(data.caption));
    slot->setGeometry(data.left, data.top, kSlotWidth, kLineHeight);
  }
  setFixedSize(kAboutDesignWidth, kAboutDesignHeight + partners.extra_height);
}

void AboutDialog::ShowTexts(const AboutTexts& texts) {
  setWindowTitle(QString::fromStdString(texts.caption));
  labelParterner->setText(QString::fromStdString(texts.partner_heading));
  lableSoftVer->setText(QString::fromStdString(texts.version_line));
}

void AboutDialog::Label5Click() { open_link_(QString::fromLatin1(kMakerWebAddress)); }

void AboutDialog::labelParternerWebSiteClick(std::size_t slot) {
  if (const std::optional<std::string> target =
          PartnerLinkTarget(partners_.partner_slots.at(slot))) {
    open_link_(QString::fromStdString(*target));
  }
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == Label5) {
      Label5Click();
      return true;
    }
    for (std::size_t k = 0; k < slots_.size(); ++k) {
      if (watched == slots_[k]) {
        labelParternerWebSiteClick(k);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tessary
