#include "run_failure_texts.h"

#include <QCoreApplication>

QString existing_output_text() { return QCoreApplication::translate("Localizable", "文件已经存在"); }
