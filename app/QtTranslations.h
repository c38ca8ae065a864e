#pragma once

class QCoreApplication;

// Qt's own texts (the standard buttons of a message box, the file dialog) come in English
// unless Qt's catalogue is loaded. The program speaks Russian whatever the system's locale,
// so Russian is loaded always. Texts the program names itself are not looked up in the
// catalogue and stay as written. False when the catalogue is not installed
// (Debian: qt6-translations-l10n); Qt's texts then stay English.
bool installQtTranslations(QCoreApplication &app);
