#pragma once

class QCoreApplication;

namespace velkaro {

// The language of Qt's own texts (file dialogs, standard buttons such as
// Yes/No and OK/Cancel): the window's. The one place that chooses it. In
// Turkish, loads the toolkit's catalogue from Qt's translations folder;
// false in English and when it is not there: the toolkit's texts stay English.
bool LoadToolkitTranslations(QCoreApplication& app);

}  // namespace velkaro
