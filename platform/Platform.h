#pragma once

#include "platform/Charset.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/FileSystem.h"
#include "platform/HttpClient.h"
#include "platform/Shell.h"
#include "platform/SignatureVerifier.h"
#include "platform/Ui.h"

namespace platform {

// Every service a form or the engine may need. Forms and the engine take what they use
// through their constructors; there are no globals.
struct Platform {
  Ui& ui;
  EventLoop& loop;
  HttpClient& http;
  FileSystem& files;
  Clock& clock;
  Shell& shell;
  Charset& charset;
  SignatureVerifier& signatures;
};

}  // namespace platform
