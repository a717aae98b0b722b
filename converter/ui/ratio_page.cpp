#include "converter/ui/ratio_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "base/tarnmedia_keys.h"
#include "converter/settings/converter_settings.h"
#include "converter/ui/settings_page_ids.h"

namespace tarn::conv::ui {

using namespace ratio_page;
namespace keys = settings::keys;

namespace {
constexpr int kPixelsPerUnit = 8;
constexpr double kScreenArea = 240.0 * 160.0;
}  // namespace

QString AreaText(int width, int height) {
  return QString::asprintf("%f", static_cast<double>(width) * height * 100.0 / kScreenArea);
}

CRatioPage::CRatioPage(settings::ProfileFile profile, const QString& helpFile, QWidget* parent)
    : CSettingsPage(kRatioPageId, std::move(profile), helpFile, parent) {
  auto* grid = new QGridLayout(this);
  const struct {
    const char* label;
    int barId, boxId, min, max;
    const settings::SettingKey& key;
    QScrollBar*& bar;
  } sizes[] = {{"宽度", kWidthBar, kWidthBox, 120, 360, keys::kImageH, width_},     // width
               {"高度", kHeightBar, kHeightBox, 80, 240, keys::kImageV, height_}};  // height
  int row = 0;
  for (const auto& size : sizes) {
    QLineEdit* box = NewNumberBox(size.boxId);
    const settings::SettingKey& key = size.key;
    // The stored value is the position in units of 8 pixels, truncated.
    size.bar =
        NewBar(size.barId, size.min, size.max, kPixelsPerUnit, 2 * kPixelsPerUnit, [this, box, &key](int pixels) {
          WriteNumber(key, pixels / kPixelsPerUnit);
          box->setText(NumberText(pixels));
          ShowArea();
        });
    {
      const QSignalBlocker quiet(size.bar);
      size.bar->setValue(settings::PixelsFromUnits(settings::ReadNumber(Profile(), key)));
    }
    box->setText(NumberText(size.bar->value()));
    grid->addWidget(new QLabel(QString::fromUtf8(size.label), this), row, 0);
    grid->addWidget(size.bar, row, 1);
    grid->addWidget(box, row, 2);
    ++row;
  }
  areaBox_ = NewNumberBox(kAreaBox, "000.000000");
  grid->addWidget(new QLabel(QStringLiteral("面积"), this), row, 0);  // area
  grid->addWidget(areaBox_, row, 2);
  grid->addWidget(new QLabel(QStringLiteral("%"), this), row, 3);
  ShowArea();

  QCheckBox* changeScale = NewCheck("改变比例", kChangeScaleCheck);  // change the proportions
  QCheckBox* fullOut = NewCheck("填满画面", kFullOutCheck);          // fill the picture
  CheckFromKey(changeScale, keys::kChangeScale);
  CheckFromKey(fullOut, keys::kFullOut);
  // Filling the picture means nothing once the proportions may change.
  fullOut->setEnabled(!changeScale->isChecked());
  connect(changeScale, &QCheckBox::clicked, this, [this, fullOut](bool on) {
    WriteText(keys::kChangeScale, on ? "1" : "0");
    fullOut->setEnabled(!on);
  });
  connect(fullOut, &QCheckBox::clicked, this, [this](bool on) { WriteText(keys::kFullOut, on ? "1" : "0"); });
  grid->addWidget(changeScale, ++row, 0, 1, 2);
  grid->addWidget(fullOut, ++row, 0, 1, 2);
  AddTips({{kWidthBar, "输出宽度设置"},
           {kHeightBar, "输出高度设置"},
           {kChangeScaleCheck, "改变原始比例"},
           {kFullOutCheck, "填满输出画面"}});
  FinishLayout(grid);
}

void CRatioPage::ShowArea() { areaBox_->setText(AreaText(width_->value(), height_->value())); }

}  // namespace tarn::conv::ui
