#include "firebird/database_file.h"

#include "firebird/fb_api.h"

namespace kvr::firebird {

void CreateDatabaseFile(const std::string& name, const DatabaseFileOptions& options) {
  Status status;
  Ref<Firebird::IXpbBuilder> dpb(
      Util()->getXpbBuilder(status.get(), Firebird::IXpbBuilder::DPB, nullptr, 0));
  status.Check();
  dpb->insertString(status.get(), isc_dpb_user_name, options.user.c_str());
  if (!options.password.empty())
    dpb->insertString(status.get(), isc_dpb_password, options.password.c_str());
  dpb->insertString(status.get(), isc_dpb_set_db_charset, options.char_set.c_str());
  dpb->insertInt(status.get(), isc_dpb_page_size, options.page_size);
  dpb->insertInt(status.get(), isc_dpb_sql_dialect, 3);
  dpb->insertInt(status.get(), isc_dpb_force_write, options.forced_writes ? 1 : 0);
  status.Check();
  const unsigned length = dpb->getBufferLength(status.get());
  const unsigned char* buffer = dpb->getBuffer(status.get());
  status.Check();
  Ref<Firebird::IProvider> provider(Master()->getDispatcher());
  Ref<Firebird::IAttachment> attachment(
      provider->createDatabase(status.get(), name.c_str(), length, buffer));
  status.Check();
  attachment->detach(status.get());
  if (!status.Failed()) attachment.forget();
  status.Check();
}

}  // namespace kvr::firebird
