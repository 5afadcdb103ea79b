#pragma once

// Loads the toolkit's own Russian texts (the text fields' context menus, the
// standard buttons and messages of Qt) into the running application, from
// Qt's translations folder (Debian: qt6-translations-l10n). False when they
// are not installed: the program works on, those texts then in English.
bool InstallQtTranslations();
