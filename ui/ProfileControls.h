// Between the dialog's controls and a profile: what "Save profile…" writes and what "Load
// profile…" fills in.
#pragma once

#include "profile/Profile.h"

#include <QStringList>

class CTessaroDlg;

struct ControlsProfile {
    Profile profile;
    QStringList problems; // values the controls hold that no profile can (one line each)
};

// Every key, as the controls hold it now. Affix boxes are read as their format lists say,
// exactly as their "Set up" buttons read them.
ControlsProfile ProfileFromControls(const CTessaroDlg& dlg);

// Fills the controls of the keys the profile has; the others stay as they are. An affix pair
// shares one format list: it switches to hexadecimal when a value cannot be shown as text, and
// the pair's other box is rewritten to mean the same bytes.
void ProfileToControls(CTessaroDlg& dlg, const Profile& profile);

// A key as the dialog names it: its control's caption in the interface's language, with the
// group's caption before it where two controls share one ("Barcode QR code: Prefix").
QString KeyCaption(ProfileKey key);
// A value as the dialog shows it: a list item in the interface's language, others as written.
QString KeyValueShown(ProfileKey key, const std::string& value);
