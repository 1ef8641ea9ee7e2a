// Setup record download: placeholder until the monitor transport lands.
#include "app/init_dlg.h"

namespace quelvar::app {

void CInitDlg::OnSaveSetupRecord() {}

}  // namespace quelvar::app
