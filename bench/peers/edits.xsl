<?xml version="1.0"?>
<!-- The three edits as one XSLT transform, for xmlstarlet: /allow, /addpredif and /weapons on
     the first "A-10A" plane and on the weapons registry. Written for the benchmark's generated
     files, in which every CLSID, ID and WorldID is unique. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:param name="allow"/>
  <xsl:param name="addpredif"/>
  <xsl:param name="weapons"/>

  <xsl:variable name="pylons" select="document($allow)/Pylons"/>
  <xsl:variable name="predef" select="document($addpredif)/Predefined"/>
  <xsl:variable name="registry" select="document($weapons)/Weapons"/>

  <!-- Launcher entries of the /weapons file by category and launcher CLSID, in capitals. -->
  <xsl:key name="entry" match="/Weapons/Category/Launcher"
           use="concat(translate(../@CLSID, 'abcdef', 'ABCDEF'), '|', translate(@CLSID, 'abcdef', 'ABCDEF'))"/>

  <xsl:template match="@*|node()">
    <xsl:copy><xsl:apply-templates select="@*|node()"/></xsl:copy>
  </xsl:template>

  <xsl:template match="/LockOn_Registry/Units/Planes/Plane[@Name='A-10A'][1]/Pylons[1]">
    <xsl:copy-of select="$pylons"/>
  </xsl:template>

  <xsl:template match="/LockOn_Registry/Units/Planes/Plane[@Name='A-10A'][1]/Payloads[1]">
    <xsl:variable name="highest">
      <xsl:for-each select="Payload/@ID">
        <xsl:sort select="." data-type="number" order="descending"/>
        <xsl:if test="position() = 1"><xsl:value-of select="."/></xsl:if>
      </xsl:for-each>
    </xsl:variable>
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:for-each select="$predef/Payloads/Payload">
        <xsl:copy>
          <xsl:copy-of select="@*"/>
          <xsl:attribute name="ID"><xsl:value-of select="$highest + position()"/></xsl:attribute>
          <xsl:copy-of select="node()"/>
        </xsl:copy>
      </xsl:for-each>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/LockOn_Registry/Units/Planes/Plane[@Name='A-10A'][1]/Tasks[1]">
    <xsl:variable name="tasks" select="Task"/>
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
      <xsl:copy-of select="$predef/Tasks/Task[not(@WorldID = $tasks/@WorldID)]"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/LockOn_Registry/Units/Planes/Plane[@Name='A-10A'][1]/Tasks[1]/Task">
    <xsl:copy>
      <xsl:copy-of select="@*"/>
      <xsl:copy-of select="$predef/Tasks/Task[@WorldID = current()/@WorldID]/node()"/>
      <xsl:apply-templates select="node()"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="/LockOn_Registry/Weapons/Category/Launcher">
    <xsl:variable name="key" select="concat(translate(../@CLSID, 'abcdef', 'ABCDEF'), '|', translate(@CLSID, 'abcdef', 'ABCDEF'))"/>
    <xsl:variable name="self" select="."/>
    <xsl:for-each select="$registry">
      <xsl:choose>
        <xsl:when test="key('entry', $key)"><xsl:copy-of select="key('entry', $key)[last()]"/></xsl:when>
        <xsl:otherwise><xsl:copy-of select="$self"/></xsl:otherwise>
      </xsl:choose>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
