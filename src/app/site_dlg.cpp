#include "app/site_dlg.h"

namespace quelvar::app {

// Placeholder while the presenter is written; the front-ends build against it.
class SiteDlg::RunLines {};
struct SiteDlg::Prepared {};

SiteDlg::SiteDlg(SiteView& view, platform::Launcher& launcher, platform::Language language)
    : view_(view), launcher_(launcher), language_(language) {}
SiteDlg::~SiteDlg() = default;
void SiteDlg::OnInitDialog() { view_.setForm(SiteForm{}); view_.showLines({}); }
void SiteDlg::OnTaskChanged() {}
void SiteDlg::OnBrowse() {}
void SiteDlg::OnBrowseReport() {}
void SiteDlg::OnBrowseResume() {}
bool SiteDlg::OnCheck() { return false; }
void SiteDlg::OnStart() {}
void SiteDlg::OnStop() {}
bool SiteDlg::OnClose() { return true; }
void SiteDlg::OnOpenPage() {}
void SiteDlg::OnOpenSheet() {}

}  // namespace quelvar::app
