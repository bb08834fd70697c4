// The host's side of the library's queries: HostCallback answers from the settings, and the
// payment catalogue object of query 57.
#pragma once

#include <cstdint>
#include <vector>

#include "host_settings.h"
#include "kvr/host_abi.h"

namespace kvr::host {

// A kvr_payment_catalogue whose items carry the configured codes and check types.
class PaymentCatalogueObject {
 public:
  explicit PaymentCatalogueObject(const std::vector<PaymentCode>& codes);
  PaymentCatalogueObject(const PaymentCatalogueObject&) = delete;
  PaymentCatalogueObject& operator=(const PaymentCatalogueObject&) = delete;
  kvr_payment_catalogue* Object() { return &object_.base; }

 private:
  struct Item {
    kvr_payment_item base;  // first: the library holds its address
    PaymentCode code;
  };
  struct HostObject {
    kvr_payment_catalogue base;  // first: the library holds its address
    PaymentCatalogueObject* owner;
  };
  static kvr_payment_item* ItemAt(kvr_payment_catalogue* self, std::int32_t index);
  static std::int32_t CodeOf(kvr_payment_item* item);
  static std::uint8_t CheckTypeOf(kvr_payment_item* item);

  HostObject object_;
  std::vector<Item> items_;
};

// Makes `settings` the source of HostCallback's answers (the host is single-threaded, like
// the library's calls). The settings must outlive the calls.
void UseHostSettings(const HostSettings& settings);
void HostCallback(kvr_variant* answer, std::int32_t code, std::int32_t arg);

}  // namespace kvr::host
