#pragma once

class QCoreApplication;

namespace velkaro {

// The language of Qt's own texts (file dialogs, standard buttons such as
// Yes/No and OK/Cancel): Turkish, like the window's. The one place that
// chooses it. Loads the toolkit's catalogue from Qt's translations folder;
// false when it is not there, and the toolkit's texts stay English.
bool LoadToolkitTranslations(QCoreApplication& app);

}  // namespace velkaro
