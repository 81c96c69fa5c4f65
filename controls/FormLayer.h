#pragma once

// The form layer: what every window and user control of the program is built
// on, over Qt Widgets. Include this one header to get all of it.
//
//   Twips            positions and sizes in twips (15 per pixel), the twip
//                    value kept exactly and rounded only for drawing; works
//                    on any QWidget (Twips::Move, Twips::SetGeometry, ...).
//   QKForm           base of windows: twip geometry, Tag, OnLoad / OnResize /
//                    OnUnload(cancel), AddControl(progId, name).
//   QKUserControl    base of controls: twip geometry that the control may
//                    correct in OnResize (read the size back after setting
//                    it), Tag, Visible, the lifecycle hooks (constructor =
//                    creation, InitNew or ReadProperties, OnResize, OnShow,
//                    WriteProperties), PropertyChanged(key), UserMode().
//   PropertyBag      typed saved properties; a value equal to the default
//                    given when writing is left out (empty strings).
//   ControlRegistry  "QKUIControls.QKCommonButton" -> a new control; the
//                    program registers its own user controls the same way.
//   ControlArray<T>  elements n loaded from element 0, unloaded by index.
//   DoEvents()       lets pending events run (QCoreApplication::processEvents).
//
// Events are Qt signals raised synchronously; reference arguments (KeyAscii,
// scrollValue, ...) may be changed by a direct-connected handler.
//
// A window, in short:
//
//   class FormExample : public QKForm {
//       void OnLoad() override {
//           Move(0, 0, 6000, 4500);                       // twips
//           auto* ok = static_cast<QKCommonButton*>(
//               AddControl("QKUIControls.QKCommonButton", "cmdOk"));
//           ok->Move(4200, 3900, 1200, 270);
//           ok->SetText("OK");
//           connect(ok, &QKCommonButton::Click, this, [this] { close(); });
//       }
//   };

#include "controls/ControlArray.h"
#include "controls/ControlRegistry.h"
#include "controls/DoEvents.h"
#include "controls/PropertyBag.h"
#include "controls/QKForm.h"
#include "controls/QKUserControl.h"
#include "controls/Twips.h"
