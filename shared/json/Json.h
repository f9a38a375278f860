#pragma once
// The JSON document model: TJson (root holder), TJsonObject, TJsonPair, TJsonArray,
// TJsonValue and the shared text operations of TJsonBase.
//
// Reading is tolerant (blanks of any control character, words in any letter case, leading
// "+", hexadecimal integers, trailing commas); writing is compact and pure ASCII. Every node
// owns what is below it; operations that receive a node copy it.
#include "shared/json/JsonArray.h"
#include "shared/json/JsonBase.h"
#include "shared/json/JsonObject.h"
#include "shared/json/JsonPair.h"
#include "shared/json/JsonRoot.h"
#include "shared/json/JsonTypes.h"
#include "shared/json/JsonValue.h"
