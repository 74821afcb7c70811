// The program's skin: the pictures compiled into the program and the skinned buttons and
// toggles made from them.
#pragma once

#include <QPixmap>
#include <QString>

class QWidget;

namespace controls {

class TKlapka;
class TPrepinac;

// The picture of the given name ("zavrit_nahoru", "pozadi_hlavni", ...); an empty picture when
// the skin has none of that name.
QPixmap SkinPicture(const QString& name);

// A button at the given position whose looks are the skin pictures <name>_nahoru, _dolu, _pres
// and _blok, those that exist; the hint is shown on hover.
TKlapka* SkinButton(QWidget* parent, const QString& name, int left, int top,
                    const QString& hint = {});

// Toggle looks: a square check box, or a round one for the options of a pair.
enum class TToggleLook { CheckBox, Option };

// An unchecked, unblocked toggle at the given position.
TPrepinac* SkinToggle(QWidget* parent, int left, int top, TToggleLook look = TToggleLook::CheckBox);

}  // namespace controls
