#pragma once

#include "utility/nodes/system_environment_records.h"
#include "utility/nodes/tree_node.h"

// The four nodes of the "System" branch: the PC the scanner is attached to. They exist in every
// run mode and are read in the normal view too; apart from the host controller query of
// CSystemNode they only ask the operating system.
namespace qx {

class CSystemNode : public CRecordNode<SystemRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetRows() override;
  // 1 only when the Windows, processor, driver version and host controller steps all succeeded;
  // each step runs whatever the others gave.
  int Read() override;
  RowList GetExtendedRows() override { return GetRows(); }
  int ReadExtended() override { return Read(); }

 private:
  int ReadWindows();
  int ReadProcessor();
  int ReadDriverVersion();
  int ReadHostController();
};

class CAPIDriverNode : public CRecordNode<ApiDriverRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetRows() override;
  int Read() override;
  RowList GetExtendedRows() override;
  // Read, then the modules of the installed wrapper; always 1.
  int ReadExtended() override;

 private:
  int ReadInstallDirectory();
};

class CDotNetFrameworkNode : public CRecordNode<DotNetFrameworkRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetRows() override;
  int Read() override;
  RowList GetExtendedRows() override { return GetRows(); }
  int ReadExtended() override { return Read(); }
};

class CUSBDriverStackNode : public CRecordNode<UsbDriverStackRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetRows() override;
  int Read() override;
  RowList GetExtendedRows() override { return GetRows(); }
  int ReadExtended() override { return Read(); }

 private:
  int ReadVersions();
};

}  // namespace qx
