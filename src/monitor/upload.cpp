// Setup record upload: placeholder until the monitor transport lands.
#include "app/init_dlg.h"

namespace quelvar::app {

void CInitDlg::OnLoadSetupRecord() {}

}  // namespace quelvar::app
