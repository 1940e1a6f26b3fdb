// Closing the dialog: the settings saved at once, then a wait for the workers still running
// before what they share is released.
#include "app/main_dialog.h"
#include "core/ccore.h"
#include "fetch/shared_state.h"
#include "fetch/worker_registry.h"
#include "urls/url_table.h"

void CMainDialog::OnDestroy() {
    CDialog::OnDestroy();
    KillTimer(IDT_SCHEDULE);
    // The settings are saved first, straight from the form: the settings store is no state of
    // the workers, so saving need not wait for them.
    FormValues form = FormNow();
    g_core->saveConfigInt("threadcount", form.threads);
    g_core->saveConfigStr("pathout", form.outDir);
    g_core->saveConfigInt("filetyp", form.fileType);
    // Then the workers finish before the core, through which a text page is written, and the
    // URL table are released. Should one outlive its bound, both are left as they are and the
    // process ends without it.
    if (!WaitForLiveWorkers()) return;
    FreeUrlTable();
    delete g_core;
    g_core = nullptr;
}
