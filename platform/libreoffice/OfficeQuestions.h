#pragma once
// What the office would ask a user while it opens a deck (a password, whether to repair it,
// whether to update its links): no one is there to answer, so every question is declined at
// once, and the one that tells why a deck could not be opened is remembered.
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <atomic>

#include "platform/libreoffice/OfficeUno.h"

namespace platform::office {

class OfficeQuestions : public cppu::WeakImplHelper1<task::XInteractionHandler> {
  public:
    void SAL_CALL handle(const Reference<task::XInteractionRequest>& request) override;

    // The office asked for the deck's password.
    bool askedForPassword() const { return askedForPassword_; }

  private:
    std::atomic<bool> askedForPassword_{false};
};

}  // namespace platform::office
