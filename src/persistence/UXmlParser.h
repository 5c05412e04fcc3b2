#pragma once
// The XML layer in one include: document model, text tools, tokenizer,
// reader and writer.
#include "UkwvDOM.h"
#include "UkwvDOMtools.h"
#include "UkwvDomToXmlParser.h"
#include "UkwvXmlToDomParser.h"
#include "UkwvXmlToObjectParser.h"
