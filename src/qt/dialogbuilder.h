// A Qt dialog built from one of ui/'s dialog templates: a widget for each
// control, named after it, whose events go to the virtual handlers by
// control id, and a layout in dialog units.
#pragma once

#include "ui/dialogtemplates.h"

#include <QDialog>

#include <cstdint>
#include <map>
#include <vector>

class TemplateDialog : public QDialog {
public:
    // Builds every control of the template but those shown inside another.
    // With inDialogUnits, the dialog is a fixed-size window whose controls
    // layOut() places; otherwise the caller lays the widgets out itself.
    TemplateDialog(QWidget* parent, const DialogTemplate& source, bool inDialogUnits = true);

    // The widget of a control, or null.
    QWidget* control(int32_t id) const;

    // A new widget for the control, for those shown inside another.
    static QWidget* makeControl(const DialogControl& control, QWidget* parent);

    // Sets what the model says the controls show. What the widgets report
    // meanwhile is not taken for the player's doing.
    void showControls(const std::vector<ControlState>& states);

protected:
    // Places every control and fixes the dialog's size, once the controls
    // show their first captions (they may widen the dialog).
    void layOut();

    // The player's doing, by control id: a push button clicked, a check box
    // clicked (with its new state), a scroll bar's action (with its scroll
    // code and the thumb's position) and an item chosen in a list.
    virtual void commanded(int32_t) {}
    virtual void checked(int32_t, bool) {}
    virtual void scrolled(int32_t, int32_t, int32_t) {}
    virtual void selected(int32_t, int32_t) {}

    // Closes the dialog as the model asks.
    void finish(DialogOutcome outcome);

private:
    const DialogTemplate& dialogTemplate;
    std::map<int32_t, QWidget*> controls;
    bool showing = false;
};
