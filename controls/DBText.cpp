#include "DBText.h"

namespace controls {

TDBText::TDBText(QWidget* parent)
    : QLabel(parent), FLink([this](const QString& text) { setText(text); }) {}

}  // namespace controls
