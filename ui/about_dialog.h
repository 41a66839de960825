// The about dialog (TfrmAbout): title and version line, build date, the
// maker's web address and up to ten partner links.
#pragma once

#include "app/about.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QFrame;
class QLabel;

namespace tessary {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  // Opens a web address; the desktop's browser unless replaced.
  using LinkOpener = std::function<void(const QString& address)>;

  explicit AboutDialog(QWidget* parent = nullptr);

  // FormCreate: places the partner slots (once, at program start).
  void ShowPartners(const AboutPartners& partners);
  // The texts of the current language, set before each showing.
  void ShowTexts(const AboutTexts& texts);

  void SetLinkOpener(LinkOpener opener) { open_link_ = std::move(opener); }

  // Link clicks.
  void Label5Click();
  void labelParternerWebSiteClick(std::size_t slot);

  [[nodiscard]] QLabel* PartnerSlotLabel(std::size_t slot) const { return slots_.at(slot); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  LinkOpener open_link_;
  AboutPartners partners_;

  QLabel* lableSoftVer = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* labelParterner = nullptr;
  QLabel* lblSpecialDesc = nullptr;
  QFrame* GroupBox1 = nullptr;
  QFrame* GroupBox2 = nullptr;
  std::array<QLabel*, kAboutPartnerSlotCount> slots_{};
};

}  // namespace tessary
