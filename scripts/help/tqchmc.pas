{ Compiles an HTML Help project (.hhp) into a .chm: tqchmc PROJECT.hhp OUTPUT.chm
  Built against a copy of chmfilewriter.pas that keeps the project folder out of the
  context map (see chmfilewriter-context.patch), so HH_HELP_CONTEXT finds its topics. }
program tqchmc;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, chmfilewriter;

var
  Failed: Boolean = False;

procedure Report(Project: TChmProject; Kind: TChmProjectErrorKind; Msg: String;
  DetailLevel: Integer = 0);
begin
  case Kind of
    chmerror:
      begin
        WriteLn(StdErr, 'tqchmc: error: ', Msg);
        Failed := True;
      end;
    { A missing file is only a warning to the unit; a help file without its page is wrong. }
    chmwarning:
      begin
        WriteLn(StdErr, 'tqchmc: ', Msg);
        Failed := True;
      end;
  end;
end;

var
  Project: TChmProject;
  Output: TFileStream;
begin
  if ParamCount <> 2 then
  begin
    WriteLn(StdErr, 'usage: tqchmc PROJECT.hhp OUTPUT.chm');
    Halt(2);
  end;
  Project := TChmProject.Create;
  try
    Project.OnError := @Report;
    Project.LoadFromhhp(ExpandFileName(ParamStr(1)), False);
    Project.OutputFileName := ParamStr(2);
    Output := TFileStream.Create(ParamStr(2), fmCreate);
    try
      Project.WriteChm(Output);
    finally
      Output.Free;
    end;
    Project.ShowUndefinedAnchors;
  finally
    Project.Free;
  end;
  if Failed then
  begin
    DeleteFile(ParamStr(2));
    Halt(1);
  end;
end.
