#pragma once

namespace vinary
{

class TSplashForm;
class TMainForm;
class TSelezioneForm;
class TfrmVinary;
class TManutenzioneForm;
class TfrmInfo;
class TfrmInOut;

// The program's windows by their global names. Each is created once at start-up and lives until
// the program ends; the splash only during start-up.
struct Forms {
    TSplashForm *SplashForm = nullptr;
    TMainForm *MainForm = nullptr;
    TSelezioneForm *SelezioneForm = nullptr;
    TfrmVinary *frmVinary = nullptr;
    TManutenzioneForm *ManutenzioneForm = nullptr;
    TfrmInfo *frmInfo = nullptr;
    TfrmInOut *frmInOut = nullptr;
};

// The program's name, organisation and domain, which place its user settings (the grids' saved
// layouts) in "~/.config/Vinary/vinary.conf". Set before anything reads or writes settings.
void setProgramIdentity();

// The windows of this run; all null before start-up and after releaseForms().
Forms &forms();

// The start-up sequence once the single-instance guard has let the program run: the splash, the
// untranslated application title, the six windows in their fixed order (the main window's
// creation connects the database and loads the language), then the splash is hidden and released.
// The main window is not shown yet.
Forms &createForms();

// Releases the windows, the main window last since it owns what the others bind to.
void releaseForms();

} // namespace vinary
